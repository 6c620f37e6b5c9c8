#include "app/centring.h"

#include "common/settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qln {

namespace {
Rect toRect(const QRect &r) { return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
}  // namespace

void centreOverMainWindow(QWidget &w, const QWidget *mainWindow)
{
    if (!w.testAttribute(Qt::WA_Resized))
        w.adjustSize();
    const QScreen *screen = mainWindow ? mainWindow->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const bool overMain = mainWindow && mainWindow->isVisible() && !mainWindow->isMinimized();
    const Rect r = centreWindow(w.width(), w.height(), false,
                                toRect(overMain ? mainWindow->frameGeometry() : avail),
                                overMain && mainWindow->isMaximized(), toRect(avail));
    w.move(r.left, r.top);
}

}  // namespace qln
