// TApdFaxViewer: the fax viewer control. A scroll area that paints the
// current page of its TViewer (faxview.h) and forwards keys, mouse, scroll
// bars, size changes and dropped files to it. Its properties follow the
// control's published ones; an operation with a negative result raises
// EViewerError with the code.
//
// The page picture (rotated by the view) is turned into a QImage once per
// change of the view and kept; a paint only copies the visible part and
// inverts the marked rectangle. At a scale other than 1 the picture is
// scaled with smoothing (shades between the two colours), not by the view's
// black-wins rule, which stays for copying and export.
//
// User-interface thread only.
#pragma once

#include "faximage/unpacker.h"
#include "viewer/faxview.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QTimer>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qln::viewer {

class EViewerError : public std::runtime_error {
public:
    explicit EViewerError(int code) : std::runtime_error(viewerErrorText(code)), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class TApdFaxViewer : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TApdFaxViewer(QWidget *parent = nullptr);
    ~TApdFaxViewer() override;

    static constexpr const char *Version = "v3.06";

    TViewer &view() { return view_; }

    QColor FGColor() const { return fg_; }
    void setFGColor(const QColor &c);
    QColor BGColor() const { return bg_; }
    void setBGColor(const QColor &c);

    bool Scaling() const { return scaling_; }
    void setScaling(bool on);
    unsigned HorizMult() const { return hMult_; }
    unsigned HorizDiv() const { return hDiv_; }
    unsigned VertMult() const { return vMult_; }
    unsigned VertDiv() const { return vDiv_; }
    void setHorizMult(unsigned v);
    void setHorizDiv(unsigned v);
    void setVertMult(unsigned v);
    void setVertDiv(unsigned v);

    fax::TAutoScaleMode AutoScaleMode() const { return autoScale_; }
    void setAutoScaleMode(fax::TAutoScaleMode m);
    bool WhitespaceCompression() const { return wsOn_; }
    void setWhitespaceCompression(bool on);
    unsigned WhitespaceFrom() const { return wsFrom_; }
    unsigned WhitespaceTo() const { return wsTo_; }
    void setWhitespaceFrom(unsigned v);
    void setWhitespaceTo(unsigned v);
    int HorizScroll() const { return view_.hStep(); }
    int VertScroll() const { return view_.vStep(); }
    void setHorizScroll(int v) { view_.setScroll(v, 0); }
    void setVertScroll(int v) { view_.setScroll(0, v); }
    bool LoadWholeFax() const { return view_.loadWholeFax(); }
    void setLoadWholeFax(bool on) { check(view_.setLoadWholeFax(on)); }
    QCursor BusyCursor() const { return busyCursor_; }
    void setBusyCursor(const QCursor &c) { busyCursor_ = c; }

    // A different name opens the file (raising on error), then resets the
    // rotation to 0 and the four scale factors to 1; Scaling stays.
    const std::string &FileName() const { return fileName_; }
    void setFileName(const std::string &name);

    void BeginViewUpdate() { view_.startUpdate(); }
    void EndViewUpdate();
    void GoFirstPage() { view_.firstPage(); }
    void GoLastPage() { view_.lastPage(); }
    void GoNextPage() { view_.nextPage(); }
    void GoPrevPage() { view_.prevPage(); }
    int CurrentPage() const { return view_.curPage(); }
    // A different page must lie in 1..page count, else -1002 is raised.
    void setCurrentPage(int page);
    int PageTotal() const { return view_.numPages(); }
    int PageWidth() const { return view_.pageDim().right + 1; }
    int PageHeight() const { return view_.pageDim().bottom + 1; }
    int PageRotation() const { return view_.rotation(); }
    void setPageRotation(int r);

    void SelectImage() { check(view_.selectAll()); }
    void SelectRegion(const ViewRect &r) { check(view_.select(r)); }
    // Puts the marked part on the clipboard as a bitmap; -8050 / -8051.
    void CopyToClipboard();

    // Design mode: only the background and the text at (3, 3) are painted.
    void setDesignText(const QString &text);

    std::function<void(TApdFaxViewer &, const std::string &fileName)> OnDropFile;
    std::function<void(TApdFaxViewer &)> OnPageChange;
    std::function<void(TApdFaxViewer &, int code)> OnViewerError;

    // Files dropped on the control: the first is opened; OnDropFile follows,
    // or OnViewerError when it cannot be shown (the shown file stays).
    void dropFiles(const std::vector<std::string> &names);

    // The page picture as painted (tests, screenshots).
    const QImage &pageImage();

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    void check(int rc);
    void sendScale();
    void sendWhitespace();
    void syncBars();
    void onViewScrolled(int oldH, int oldV);
    QImage smoothPageImage(int width, int height) const;

    TViewer view_;
    QColor fg_ = Qt::black;
    QColor bg_ = Qt::white;
    bool scaling_ = false;
    unsigned hMult_ = 1, hDiv_ = 1, vMult_ = 1, vDiv_ = 1;
    fax::TAutoScaleMode autoScale_ = fax::asDoubleHeight;
    bool wsOn_ = false;
    unsigned wsFrom_ = 0, wsTo_ = 0;
    QCursor busyCursor_;
    std::string fileName_;
    QString designText_;
    bool designMode_ = false;
    bool syncing_ = false;

    QImage image_;
    uint64_t imageFor_ = 0;
    QTimer dragTimer_;
    QPoint dragPointer_;
};

}  // namespace qln::viewer
