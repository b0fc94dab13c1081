// Lets the event loop run until a condition holds, within a bound.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

// True once done() holds; false when timeoutMs passed first.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
