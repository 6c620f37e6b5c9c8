#include "compose/windowplacement.h"

#include "common/datadir.h"
#include "common/ini.h"
#include "common/messages.h"
#include "common/settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qln::compose {

namespace {

Rect toRect(const QRect &r) { return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
QRect fromRect(const Rect &r) { return QRect(r.left, r.top, r.width(), r.height()); }

QScreen *screenOf(const QWidget &w)
{
    QScreen *s = w.screen();
    return s ? s : QGuiApplication::primaryScreen();
}

int pixelsPerInch(const QWidget &w)
{
    const QScreen *s = screenOf(w);
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

}  // namespace

void restoreWindowPlacement(QWidget &w, const char *className)
{
    const QScreen *s = screenOf(w);
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    IniFile ini(settingsPath());
    const WindowPlacement stored = readPlacement(ini, className, pixelsPerInch(w), w.isMaximized());
    QRect bounds(QPoint(0, 0), w.size());
    const QWidget *over = w.parentWidget() ? w.parentWidget()->window() : nullptr;
    bounds.moveCenter(over && !over->isMaximized() ? over->geometry().center() : avail.center());
    const PlacementResult result = restorePlacement(stored, toRect(bounds), avail.width(), avail.height());
    if (result.maximize) {
        w.setWindowState(w.windowState() | Qt::WindowMaximized);
        return;
    }
    w.setGeometry(fromRect(result.rect));
}

void saveWindowPlacement(QWidget &w, const char *className)
{
    WindowPlacement p;
    p.maximized = w.isMaximized();
    p.rect = toRect(p.maximized || w.isMinimized() ? w.normalGeometry() : w.geometry());
    if (p.rect.width() <= 0 || p.rect.height() <= 0)
        p.rect = toRect(w.geometry());
    try {
        IniFile ini(settingsPath());
        writePlacement(ini, className, pixelsPerInch(w), p);
    } catch (const IniWriteError &e) {
        messages().information(e.what());
    }
}

}  // namespace qln::compose
