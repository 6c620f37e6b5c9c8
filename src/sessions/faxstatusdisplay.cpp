#include "sessions/faxstatusdisplay.h"

#include "fax/faxabstract.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace qln {

namespace {

constexpr int kMeterWidth = 406;
constexpr int kMeterHeight = 20;
constexpr int kClockTickMs = 1000;

const char *const kRowCaptions[TStandardFaxDisplay::RowCount] = {
    "Phone number:", "Fax file:",      "Cover file:",        "Total pages:",   "Dial attempt:",
    "Remote ID:",    "Connect BPS:",   "Resolution:",        "Width:",         "Error control:",
    "Current page:", "Page length:",   "Bytes transferred:", "Elapsed time:",  "Status:",
};

}  // namespace

TStandardFaxDisplay::TStandardFaxDisplay(const QString &caption)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("StandardFaxDisplay"));
    setWindowTitle(caption);
    auto *layout = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);
    for (int row = 0; row < RowCount; ++row) {
        auto *c = new QLabel(QString::fromLatin1(kRowCaptions[row]), this);
        auto *v = new QLabel(this);
        v->setObjectName(QStringLiteral("value%1").arg(row));
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(c, row, 0, Qt::AlignRight);
        grid->addWidget(v, row, 1);
        captions_[row] = c;
        values_[row] = v;
        // The file names exist but are not shown.
        if (row == FaxFile || row == CoverFile) {
            c->hide();
            v->hide();
        }
    }
    // The status text holds the busy countdown's blanks: keep them.
    values_[Status]->setTextFormat(Qt::PlainText);
    values_[Elapsed]->setTextFormat(Qt::PlainText);
    values_[Status]->setMinimumWidth(kMeterWidth - 120);
    layout->addLayout(grid);

    ProgressLabel = new QLabel(QStringLiteral("Page progress:"), this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    layout->addWidget(ProgressLabel);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedSize(kMeterWidth, kMeterHeight);
    // A meter of ten steps.
    ProgressBar->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid palette(mid); background: palette(base); padding: 1px; }"
        "QProgressBar::chunk { background: palette(highlight); width: 38px; margin-right: 2px; }"));
    layout->addWidget(ProgressBar, 0, Qt::AlignHCenter);

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    row->addWidget(CancelButton);
    row->addStretch(1);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CancelButton, &QPushButton::clicked, this, &TStandardFaxDisplay::cancelRequested);
}

TStandardFaxDisplay::~TStandardFaxDisplay() = default;

QString TStandardFaxDisplay::caption(Row row) const { return captions_.at(row)->text(); }
QString TStandardFaxDisplay::value(Row row) const { return values_.at(row)->text(); }

void TStandardFaxDisplay::showTexts(const FaxStatusTexts &t)
{
    auto set = [this](Row row, const std::string &s) { values_[row]->setText(QString::fromStdString(s)); };
    set(PhoneNumber, t.phoneNumber);
    set(FaxFile, t.faxFileName);
    set(CoverFile, t.coverFileName);
    set(TotalPages, t.totalPages);
    set(DialAttempt, t.dialAttempt);
    set(RemoteId, t.remoteId);
    set(ConnectBps, t.connectBps);
    set(Resolution, t.resolution);
    set(Width, t.width);
    set(ErrorControl, t.errorControl);
    set(CurrentPage, t.currentPage);
    set(PageLength, t.pageLength);
    set(BytesTransferred, t.bytesTransferred);
    set(Elapsed, t.elapsed);
    set(Status, t.status);
    ProgressLabel->setText(QString::fromStdString(t.progressCaption));
    ProgressBar->setVisible(t.progressVisible);
    ProgressBar->setValue(t.progress);
}

void TStandardFaxDisplay::present()
{
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
}

// Shown or activated: the application, then the window, to the front.
void TStandardFaxDisplay::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    raise();
    activateWindow();
}

void TStandardFaxDisplay::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        raise();
}

// ---- TApdFaxStatus -----------------------------------------------------------

TApdFaxStatus::TApdFaxStatus() { CreateDisplay(); }

TApdFaxStatus::~TApdFaxStatus() { DestroyDisplay(); }

void TApdFaxStatus::CreateDisplay()
{
    if (display_)
        return;
    display_ = new TStandardFaxDisplay(QString::fromStdString(Caption));
    QObject::connect(display_, &TStandardFaxDisplay::cancelRequested, display_, [this] {
        if (Fax)
            Fax->CancelSession();
    });
    ticker_ = new QTimer(display_);
    ticker_->setInterval(kClockTickMs);
    QObject::connect(ticker_, &QTimer::timeout, display_, [this] { refresh(); });
}

void TApdFaxStatus::DestroyDisplay()
{
    delete display_;
    display_ = nullptr;
    ticker_ = nullptr;
}

void TApdFaxStatus::refresh()
{
    if (display_)
        display_->showTexts(view_.texts(Now()));
}

void TApdFaxStatus::UpdateDisplay(bool first, bool last)
{
    if (!display_ || !Fax)
        return;
    if (first)
        view_.reset();
    view_.report(FaxStatusFacts::of(*Fax), Now());
    refresh();
    if (first) {
        display_->setWindowTitle(QString::fromStdString(Caption));
        display_->present();
        ticker_->start();
        Visible = true;
    }
    if (last) {
        ticker_->stop();
        display_->hide();
        Visible = false;
    }
}

}  // namespace qln
