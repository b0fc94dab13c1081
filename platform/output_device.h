// One sound output of the sound server, as the desktop's sound settings show it.
#pragma once

#include <string>

struct OutputDevice {
    // The server's own name of the output (what a stream is connected to); empty for the
    // server's default output.
    std::string name;
    // What people read in the desktop's sound settings.
    std::string description;

    bool IsDefault() const { return name.empty(); }
    bool operator==(const OutputDevice&) const = default;
};
