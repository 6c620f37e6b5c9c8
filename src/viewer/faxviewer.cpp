// TApdFaxViewer: painting and input of the fax viewer control.
#include "viewer/faxviewer.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>

#include <cstring>

namespace qln::viewer {

TApdFaxViewer::TApdFaxViewer(QWidget *parent) : QAbstractScrollArea(parent)
{
    resize(100, 50);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::Box);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    dragTimer_.setInterval(50);
    connect(&dragTimer_, &QTimer::timeout, this, [this] {
        const int oldH = view_.hOffset(), oldV = view_.vOffset();
        view_.autoScrollTick(dragPointer_.x(), dragPointer_.y());
        onViewScrolled(oldH, oldV);
    });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] { syncBars(); });
    view_.onRepaint = [this] { viewport()->update(); };
    view_.onBusy = [this](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(busyCursor_);
        else
            QApplication::restoreOverrideCursor();
    };
    view_.onPageChange = [this](int) {
        syncBars();
        if (OnPageChange)
            OnPageChange(*this);
    };
    view_.onViewerError = [this](int code) {
        if (OnViewerError)
            OnViewerError(*this, code);
    };
}

TApdFaxViewer::~TApdFaxViewer()
{
    view_.onRepaint = nullptr;
    view_.onBusy = nullptr;
    view_.onPageChange = nullptr;
    view_.onViewerError = nullptr;
}

void TApdFaxViewer::check(int rc)
{
    if (rc < 0)
        throw EViewerError(rc);
}

// ---- Properties ---------------------------------------------------------------

void TApdFaxViewer::setFGColor(const QColor &c)
{
    if (c != fg_) {
        fg_ = c;
        imageFor_ = 0;
        viewport()->update();
    }
}

void TApdFaxViewer::setBGColor(const QColor &c)
{
    if (c != bg_) {
        bg_ = c;
        imageFor_ = 0;
        viewport()->update();
    }
}

void TApdFaxViewer::sendScale()
{
    if (scaling_)
        check(view_.setScale(hMult_, hDiv_, vMult_, vDiv_));
    else
        check(view_.setScale(1, 1, 1, 1));
}

void TApdFaxViewer::setScaling(bool on)
{
    if (on != scaling_) {
        scaling_ = on;
        sendScale();
    }
}

void TApdFaxViewer::setHorizMult(unsigned v)
{
    if (v && v != hMult_) {
        hMult_ = v;
        if (scaling_)
            sendScale();
    }
}

void TApdFaxViewer::setHorizDiv(unsigned v)
{
    if (v && v != hDiv_) {
        hDiv_ = v;
        if (scaling_)
            sendScale();
    }
}

void TApdFaxViewer::setVertMult(unsigned v)
{
    if (v && v != vMult_) {
        vMult_ = v;
        if (scaling_)
            sendScale();
    }
}

void TApdFaxViewer::setVertDiv(unsigned v)
{
    if (v && v != vDiv_) {
        vDiv_ = v;
        if (scaling_)
            sendScale();
    }
}

void TApdFaxViewer::setAutoScaleMode(fax::TAutoScaleMode m)
{
    autoScale_ = m;
    view_.setAutoScale(m == fax::asDoubleHeight ? fax::ufDoubleHeight
                       : m == fax::asHalfWidth  ? fax::ufHalfWidth
                                                : 0u);
}

void TApdFaxViewer::sendWhitespace()
{
    check(wsOn_ ? view_.setWhitespace(wsFrom_, wsTo_) : view_.setWhitespace(0, 0));
}

void TApdFaxViewer::setWhitespaceCompression(bool on)
{
    if (on != wsOn_) {
        wsOn_ = on;
        sendWhitespace();
    }
}

void TApdFaxViewer::setWhitespaceFrom(unsigned v)
{
    if (v != wsFrom_) {
        wsFrom_ = v;
        if (wsOn_)
            sendWhitespace();
    }
}

void TApdFaxViewer::setWhitespaceTo(unsigned v)
{
    if (v != wsTo_) {
        wsTo_ = v;
        if (wsOn_)
            sendWhitespace();
    }
}

void TApdFaxViewer::setFileName(const std::string &name)
{
    if (name == fileName_)
        return;
    fileName_ = name;
    if (!designMode_) {
        const int rc = view_.setFile(name);
        if (rc < 0) {
            fileName_ = view_.fileName();
            throw EViewerError(rc);
        }
    }
    hMult_ = hDiv_ = vMult_ = vDiv_ = 1;
    syncBars();
}

void TApdFaxViewer::EndViewUpdate()
{
    view_.endUpdate();
    syncBars();
}

void TApdFaxViewer::setCurrentPage(int page)
{
    if (page == view_.curPage())
        return;
    if (page < 1 || page > view_.numPages())
        throw EViewerError(vwBadArgument);
    check(view_.gotoPage(page));
}

void TApdFaxViewer::setPageRotation(int r)
{
    if (r != view_.rotation())
        check(view_.setRotation(r));
}

void TApdFaxViewer::CopyToClipboard()
{
    fax::MonoBitmap bm;
    check(view_.copy(bm));
    QImage img = bm.toQImage(false);
    QApplication::clipboard()->setImage(img);
}

void TApdFaxViewer::setDesignText(const QString &text)
{
    designMode_ = true;
    designText_ = text;
    viewport()->update();
}

// ---- Painting -----------------------------------------------------------------

const QImage &TApdFaxViewer::pageImage()
{
    const fax::MonoBitmap &bm = view_.displayedBitmap();
    if (imageFor_ != view_.displayGeneration() || image_.isNull() != bm.isNull()) {
        imageFor_ = view_.displayGeneration();
        if (bm.isNull()) {
            image_ = QImage();
        } else if (view_.hMult() == 1 && view_.hDiv() == 1 && view_.vMult() == 1 && view_.vDiv() == 1) {
            // 0 bits in the foreground colour, 1 bits in the background colour.
            image_ = bm.toQImage(false);
            image_.setColorTable({fg_.rgb(), bg_.rgb()});
        } else {
            image_ = smoothPageImage(bm.width, bm.height);
        }
    }
    return image_;
}

// The current page scaled for the screen with smoothing: each screen pixel
// takes the grey of the page pixels it covers, so text stays readable at a
// small zoom. (Marking and copying keep the view's own black-wins scaling.)
QImage TApdFaxViewer::smoothPageImage(int width, int height) const
{
    const TViewer::PageEntry *entry = view_.page(view_.curPage());
    if (!entry || !entry->held())
        return {};
    const QImage grey = entry->bitmap.toQImage(false)
                            .convertToFormat(QImage::Format_Grayscale8)
                            .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (grey.isNull())
        return {};
    QImage shaded(grey.size(), QImage::Format_Indexed8);
    if (shaded.isNull())
        return {};
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i) {
        auto mix = [i](int ink, int paper) { return (ink * (255 - i) + paper * i + 127) / 255; };
        table[i] = qRgb(mix(fg_.red(), bg_.red()), mix(fg_.green(), bg_.green()), mix(fg_.blue(), bg_.blue()));
    }
    shaded.setColorTable(table);
    const int bytes = std::min<qsizetype>(grey.bytesPerLine(), shaded.bytesPerLine());
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(shaded.scanLine(y), grey.constScanLine(y), std::size_t(bytes));
    return shaded;
}

void TApdFaxViewer::paintEvent(QPaintEvent *e)
{
    QPainter p(viewport());
    const QRect client = viewport()->rect();
    if (designMode_) {
        p.fillRect(client, bg_);
        p.setPen(fg_);
        p.drawText(QPoint(3, 3 + p.fontMetrics().ascent()), designText_);
        return;
    }
    const QImage &img = pageImage();
    if (img.isNull()) {
        p.fillRect(e->rect(), bg_);
        return;
    }
    const int ox = view_.hOffset(), oy = view_.vOffset();
    const QRect pageOnScreen(-ox, -oy, img.width(), img.height());
    const QRect area = e->rect();
    const QRect part = area.intersected(pageOnScreen);
    if (!part.isEmpty())
        p.drawImage(part.topLeft(), img, part.translated(ox, oy));
    // Background right of and below the page.
    QRegion outside(area);
    outside -= QRegion(pageOnScreen);
    for (const QRect &r : outside)
        p.fillRect(r, bg_);
    if (view_.marked()) {
        const ViewRect m = view_.markRect();
        const QRect mark(m.left - ox, m.top - oy, m.width(), m.height());
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(mark.intersected(area), Qt::white);
    }
}

// ---- Input ----------------------------------------------------------------------

void TApdFaxViewer::syncBars()
{
    syncing_ = true;
    view_.setClientSize(viewport()->width(), viewport()->height());
    horizontalScrollBar()->setRange(0, view_.hRange());
    verticalScrollBar()->setRange(0, view_.vRange());
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
    horizontalScrollBar()->setSingleStep(view_.hStep());
    verticalScrollBar()->setSingleStep(view_.vStep());
    horizontalScrollBar()->setValue(view_.hOffset());
    verticalScrollBar()->setValue(view_.vOffset());
    syncing_ = false;
    viewport()->update();
}

void TApdFaxViewer::onViewScrolled(int oldH, int oldV)
{
    const int dx = view_.hOffset() - oldH, dy = view_.vOffset() - oldV;
    syncing_ = true;
    horizontalScrollBar()->setValue(view_.hOffset());
    verticalScrollBar()->setValue(view_.vOffset());
    syncing_ = false;
    if (dx || dy) {
        if (std::abs(dx) > viewport()->width() || std::abs(dy) > viewport()->height() || view_.marked())
            viewport()->update();
        else
            viewport()->scroll(-dx, -dy);
    }
}

void TApdFaxViewer::scrollContentsBy(int, int)
{
    if (syncing_)
        return;
    const int oldH = view_.hOffset(), oldV = view_.vOffset();
    view_.scrollTo(horizontalScrollBar()->value(), verticalScrollBar()->value());
    onViewScrolled(oldH, oldV);
}

void TApdFaxViewer::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    syncBars();
}

void TApdFaxViewer::keyPressEvent(QKeyEvent *e)
{
    ViewKey key;
    switch (e->key()) {
    case Qt::Key_PageUp: key = ViewKey::PageUp; break;
    case Qt::Key_PageDown: key = ViewKey::PageDown; break;
    case Qt::Key_Home: key = ViewKey::Home; break;
    case Qt::Key_End: key = ViewKey::End; break;
    case Qt::Key_Left: key = ViewKey::Left; break;
    case Qt::Key_Right: key = ViewKey::Right; break;
    case Qt::Key_Up: key = ViewKey::Up; break;
    case Qt::Key_Down: key = ViewKey::Down; break;
    default:
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    const int oldH = view_.hOffset(), oldV = view_.vOffset(), oldPage = view_.curPage();
    view_.keyDown(key, e->modifiers() & Qt::ControlModifier);
    if (view_.curPage() == oldPage)
        onViewScrolled(oldH, oldV);
    e->accept();
}

void TApdFaxViewer::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();
    if (view_.mouseDown(pos.x(), pos.y()))
        viewport()->update();
}

void TApdFaxViewer::mouseMoveEvent(QMouseEvent *e)
{
    if (!view_.dragging())
        return;
    const QPoint pos = e->position().toPoint();
    dragPointer_ = pos;
    ViewRect changed;
    if (view_.mouseMove(pos.x(), pos.y(), &changed)) {
        dragTimer_.stop();
        viewport()->update(QRect(changed.left - view_.hOffset(), changed.top - view_.vOffset(),
                                 changed.width(), changed.height()));
    } else if (!dragTimer_.isActive()) {
        dragTimer_.start();
    }
}

void TApdFaxViewer::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    dragTimer_.stop();
    view_.mouseUp();
    viewport()->update();
}

void TApdFaxViewer::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TApdFaxViewer::dropEvent(QDropEvent *e)
{
    std::vector<std::string> names;
    for (const QUrl &u : e->mimeData()->urls())
        if (u.isLocalFile())
            names.push_back(u.toLocalFile().toStdString());
    if (names.empty())
        return;
    e->acceptProposedAction();
    dropFiles(names);
}

void TApdFaxViewer::dropFiles(const std::vector<std::string> &names)
{
    if (names.empty())
        return;
    const int rc = view_.dropFiles(names);
    if (rc < 0) {
        // A file that cannot be shown leaves the shown one in place.
        if (OnViewerError)
            OnViewerError(*this, rc);
        return;
    }
    fileName_ = view_.fileName();
    hMult_ = hDiv_ = vMult_ = vDiv_ = 1;
    syncBars();
    if (OnDropFile)
        OnDropFile(*this, fileName_);
}

}  // namespace qln::viewer
