// First activation, closing, placement and settings of the main window.
#include "app/mainscreen.h"

#include "app/faxlistmodel.h"
#include "common/datadir.h"
#include "common/ini.h"
#include "common/messages.h"
#include "common/settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>

namespace qln {

namespace {
const char *const kPlacementClass = "TMainScreen";

Rect toRect(const QRect &r) { return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
QRect fromRect(const Rect &r) { return QRect(r.left, r.top, r.width(), r.height()); }
}  // namespace

void TMainScreen::showForStart()
{
    if (startMinimized_)
        showMinimized();
    else
        show();
}

bool TMainScreen::event(QEvent *e)
{
    // The first activation runs once the window has been shown (also when it
    // was shown minimised, where it never becomes active), after the events
    // already queued.
    if ((e->type() == QEvent::Show || e->type() == QEvent::WindowActivate) &&
        firstActivationPending_) {
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
    return QMainWindow::event(e);
}

int TMainScreen::pixelsPerInch() const
{
    const QScreen *s = screen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

void TMainScreen::restorePlacement()
{
    const QScreen *s = screen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    IniFile ini(settingsPath());
    const WindowPlacement stored =
        readPlacement(ini, kPlacementClass, pixelsPerInch(), isMaximized());
    QRect bounds = geometry();
    bounds.moveCenter(avail.center());
    const PlacementResult result =
        qln::restorePlacement(stored, toRect(bounds), avail.width(), avail.height());
    if (result.maximize) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    setGeometry(fromRect(result.rect));
}

void TMainScreen::savePlacement()
{
    WindowPlacement p;
    p.maximized = isMaximized();
    p.rect = toRect(p.maximized || isMinimized() ? normalGeometry() : geometry());
    if (p.rect.width() <= 0 || p.rect.height() <= 0)
        p.rect = toRect(geometry());
    try {
        IniFile ini(settingsPath());
        writePlacement(ini, kPlacementClass, pixelsPerInch(), p);
    } catch (const IniWriteError &e) {
        messages().information(e.what());
    }
}

void TMainScreen::saveSettings()
{
    try {
        settings().save(settingsPath());
    } catch (const IniWriteError &e) {
        messages().information(e.what());
    }
}

void TMainScreen::FormActivate()
{
    if (!firstActivationPending_ || closing_)
        return;
    firstActivationPending_ = false;  // a nested activation must not rerun it
    // Every step below may wait for events (a window of its own, or pending
    // events let through), and a close request may arrive meanwhile: after
    // each wait, a closing window stops here and touches nothing more.
    auto closedMeanwhile = [this] {
        if (!closing_)
            return false;
        emit firstActivationDone();
        return true;
    };
    restorePlacement();
    SetButtons();

    if (startMinimized_) {
        if (!isMinimized())
            showMinimized();
    } else if (!isVisible()) {
        show();
    }
    QCoreApplication::processEvents();
    if (closedMeanwhile())
        return;

    if (settings().noModem) {
        runQuickSetup();
        if (closedMeanwhile())
            return;
    }
    if (tables_->isOpen(FaxList::Outgoing) && tables_->isOpen(FaxList::Incoming) &&
        (!tables_->hasTag(FaxList::Outgoing, "DATEND") ||
         !tables_->hasTag(FaxList::Incoming, "DATEND"))) {
        runRebuildIndexesWindow();
        if (closedMeanwhile())
            return;
    }
    refreshList(FaxList::Outgoing);
    refreshList(FaxList::Incoming);
    SetButtons();
    if (settings().atStartup)
        runReceiveMode();
    emit firstActivationDone();
}

bool TMainScreen::FormCloseQuery()
{
    if (receivingFax_ &&
        !messages().question(texts::kExitWhileReceiving, texts::kExitCaption))
        return false;
    QCoreApplication::processEvents();
    tables_->close(FaxList::Outgoing);
    tables_->close(FaxList::Incoming);
    faxModel_->reload();
    recModel_->reload();
    QCoreApplication::processEvents();
    return true;
}

void TMainScreen::FormClose()
{
    if (receiveMode_)
        stopReceiveMode();
    SetButtons();
    savePlacement();
    saveSettings();
}

void TMainScreen::closeEvent(QCloseEvent *e)
{
    if (closing_) {
        e->accept();
        return;
    }
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    closing_ = true;
    FormClose();
    e->accept();
}

}  // namespace qln
