#include "app/rebuildindexes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace qln {

TRebuildInd::TRebuildInd(Job job, QWidget *parent) : QDialog(parent), job_(std::move(job))
{
    setObjectName(QStringLiteral("RebuildInd"));
    setWindowTitle(QStringLiteral("Rebuild Indexes"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(12);
    WaitLabel = new QLabel(QStringLiteral("Please wait..."), this);
    WaitLabel->setObjectName(QStringLiteral("WaitLabel"));
    QFont bold = WaitLabel->font();
    bold.setBold(true);
    WaitLabel->setFont(bold);
    layout->addWidget(WaitLabel);
    ProgressLine = new QLabel(this);
    ProgressLine->setObjectName(QStringLiteral("ProgressLine"));
    // Wide enough for the longest progress text, so the window keeps its size.
    ProgressLine->setMinimumWidth(
        ProgressLine->fontMetrics().horizontalAdvance(
            QStringLiteral("Removing Received FAX records marked for deletion")) +
        8);
    layout->addWidget(ProgressLine);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TRebuildInd::progressText() const { return ProgressLine->text(); }

bool TRebuildInd::event(QEvent *e)
{
    // The rebuild runs once the window is on screen, after the events
    // already queued (its first paint among them).
    if (e->type() == QEvent::Show && !started_) {
        started_ = true;
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
    return QDialog::event(e);
}

void TRebuildInd::showProgress(const std::string &text)
{
    const QString t = QString::fromStdString(text);
    shown_ << t;
    ProgressLine->setText(t);
    QCoreApplication::processEvents();
}

void TRebuildInd::FormActivate()
{
    running_ = true;
    try {
        succeeded_ = job_ && job_([this](const std::string &text) { showProgress(text); });
    } catch (const std::exception &) {
        succeeded_ = false;
    }
    running_ = false;
    finished_ = true;
    // Closes itself through the event queue, like a posted close request.
    QMetaObject::invokeMethod(this, [this] { accept(); }, Qt::QueuedConnection);
}

// Escape does nothing while the rebuild runs.
void TRebuildInd::reject()
{
    if (!running_)
        QDialog::reject();
}

void TRebuildInd::closeEvent(QCloseEvent *e)
{
    if (running_)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

}  // namespace qln
