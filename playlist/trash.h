// Moving a file to the desktop trash. Never falls back to deleting it.
#pragma once

#include <string>

struct TrashResult {
    bool ok = false;
    std::string error;  // the user's words when not ok
};

TrashResult MoveToTrash(const std::string& path);
