// Waits on a condition, never on time alone: every wait in the checks has a bound, and the
// condition is looked at once more when the bound is reached.
#pragma once

#include <functional>

// Looks at `done` about every millisecond until it holds or `timeoutMs` has passed;
// whether it held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
// The same, handling the calling thread's Qt events between looks (posted messages,
// timers), for conditions that the event loop brings about.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 30000);
