#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point After(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    return WaitUntilEvery(done, timeoutMs, 1);
}

bool WaitUntilEvery(const std::function<bool()>& done, int timeoutMs, int everyMs) {
    const auto end = After(timeoutMs);
    while (!done()) {
        if (Clock::now() >= end)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = After(timeoutMs);
    // Events first: what is already posted is handled before the condition is looked at.
    while (Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

bool StaysTrueUntil(const std::function<bool()>& holds, const std::function<bool()>& barrier,
                    int timeoutMs) {
    bool held = true;
    // The barrier is looked at before `holds`, so that the last look at `holds` comes after it.
    const bool reached = WaitUntil(
        [&] {
            const bool arrived = barrier();
            held = holds() && held;
            return arrived || !held;
        },
        timeoutMs);
    return reached && held;
}
