// Driving modal windows from a test: the action runs on the next modal
// window that opens (of the given class), from the event loop that window's
// exec() runs.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace qln::testing {

template <typename Window>
void whenModal(std::function<void(Window *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto *w = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

// Repeats `step` on every pass of the event loop until it returns true.
inline void untilDone(std::function<bool()> step)
{
    auto *timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (!step())
            return;
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

}  // namespace qln::testing
