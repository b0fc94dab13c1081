// Waits on a condition, never on time alone: every wait in the checks has a bound, and the
// condition is looked at once more when the bound is reached.
#pragma once

#include <functional>

// Looks at `done` about every millisecond until it holds or `timeoutMs` has passed;
// whether it held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
// The same with `everyMs` between looks, for conditions that cost something to look at (a
// child process asked, a window listed, a screen grabbed).
bool WaitUntilEvery(const std::function<bool()>& done, int timeoutMs, int everyMs);
// The same, handling the calling thread's Qt events between looks (posted messages,
// timers), for conditions that the event loop brings about.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 30000);
// A negative check closed by a positive event: looks at `holds` at every look until
// `barrier` (something that can only come after what must not happen would have) arrives.
// True when the barrier came within `timeoutMs` and `holds` was true at every look, the
// last one after the barrier included.
bool StaysTrueUntil(const std::function<bool()>& holds, const std::function<bool()>& barrier,
                    int timeoutMs);
