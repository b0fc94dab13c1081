// A message box described instead of shown: what a lower layer has to tell the user,
// handed up as a value to the controller, which alone shows it through its prompt port.
#pragma once

#include <string>
#include <vector>

struct Notice {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    unsigned style = 0;   // MB_* of platform/user_prompts.h
    bool operator==(const Notice&) const = default;
};

// In the order the user is to be told them.
using Notices = std::vector<Notice>;
