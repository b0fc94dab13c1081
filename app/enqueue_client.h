// The sending side of "--enqueue": the files go to the running copy's queue interface on
// the session bus.
#pragma once

#include <string>
#include <vector>

// True when the running copy took the files. A copy that has just started may not have
// taken its bus name yet, so the call is tried again for up to waitMs. Never starts a
// message bus: without one, false at once.
bool EnqueueInRunningCopy(const std::vector<std::string>& files, int waitMs);
