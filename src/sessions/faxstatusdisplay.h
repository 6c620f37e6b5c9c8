// The fax status window and the status display component that drives it.
//
// TStandardFaxDisplay (caption "Fax Status", always on top, centred, no
// system menu, a top-level window of its own) shows one label per fact of
// the running fax (phone number, pages, dial attempt, remote ID, speed,
// resolution, width, error control, current page, page length, bytes,
// elapsed time, status), the page progress bar and Cancel.
//
// TApdFaxStatus is the status display component a fax component reports
// to: it creates the window when it is created, shows and fills it on the
// first status report of a call, refills it on every further report (and
// once a second for the clocks), hides it on the last one and destroys it
// with itself. Cancel asks the fax component to cancel. What each label
// says is decided by FaxStatusView.
//
// User-interface thread only.
#pragma once

#include "fax/faxstatus.h"
#include "sessions/faxstatusview.h"

#include <QWidget>

#include <functional>
#include <map>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qln {

class TStandardFaxDisplay : public QWidget {
    Q_OBJECT
public:
    // The rows of the window; fax and cover file are hidden.
    enum Row {
        PhoneNumber, FaxFile, CoverFile, TotalPages, DialAttempt, RemoteId, ConnectBps,
        Resolution, Width, ErrorControl, CurrentPage, PageLength, BytesTransferred, Elapsed,
        Status, RowCount
    };

    explicit TStandardFaxDisplay(const QString &caption = QStringLiteral("Fax Status"));
    ~TStandardFaxDisplay() override;

    void showTexts(const FaxStatusTexts &texts);
    // Shows the window centred on the screen and brings it to the front.
    void present();

    QString caption(Row row) const;
    QString value(Row row) const;
    QLabel *valueLabel(Row row) const { return values_.at(row); }
    QProgressBar *progressBar() const { return ProgressBar; }
    QLabel *progressLabel() const { return ProgressLabel; }
    QPushButton *cancelButton() const { return CancelButton; }

signals:
    void cancelRequested();

protected:
    void showEvent(QShowEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    std::map<int, QLabel *> captions_;
    std::map<int, QLabel *> values_;
    QLabel *ProgressLabel = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QPushButton *CancelButton = nullptr;
};

class TApdFaxStatus : public fax::TApdAbstractFaxStatus {
public:
    TApdFaxStatus();
    ~TApdFaxStatus() override;

    void CreateDisplay() override;
    void DestroyDisplay() override;
    void UpdateDisplay(bool first, bool last) override;

    TStandardFaxDisplay *Display() const { return display_; }
    const FaxStatusView &view() const { return view_; }

    // The clock the window reads (tests move it by hand).
    std::function<FaxStatusView::Clock::time_point()> Now = [] { return FaxStatusView::Clock::now(); };
    // Refreshes the texts from the last report (the once-a-second tick).
    void refresh();

private:
    TStandardFaxDisplay *display_ = nullptr;
    QTimer *ticker_ = nullptr;
    FaxStatusView view_;
};

}  // namespace qln
