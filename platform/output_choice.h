// What the user's remembered output means among the outputs listed now, and the entries
// of the output menu. No listing and no sound here: tests hand in any list.
#pragma once

#include <string>
#include <vector>

#include "platform/output_device.h"

// The stored output when it is listed, else the server's default: an output that was
// unplugged plays on the default until it comes back.
OutputDevice ResolveOutput(const std::string& storedName, const std::vector<OutputDevice>& listed);

struct OutputMenuEntry {
    std::string label;  // with '&' doubled, so no description turns into a mnemonic
    std::string name;   // empty for the default
    bool checked = false;
};

// The outputs as menu entries after the default's (defaultLabel), in the listed order,
// each by its description; outputs that share a description, and those without one, are
// told apart by their name. The one sound goes to is checked.
std::vector<OutputMenuEntry> OutputMenuEntries(const std::vector<OutputDevice>& listed,
                                               const std::string& effectiveName,
                                               const std::string& defaultLabel);
