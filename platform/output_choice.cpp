#include "platform/output_choice.h"

#include <algorithm>

namespace {

std::string EscapeMnemonics(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

}  // namespace

OutputDevice ResolveOutput(const std::string& storedName, const std::vector<OutputDevice>& listed) {
    if (storedName.empty())
        return {};
    auto it = std::find_if(listed.begin(), listed.end(),
                           [&](const OutputDevice& d) { return d.name == storedName; });
    return it == listed.end() ? OutputDevice{} : *it;
}

std::vector<OutputMenuEntry> OutputMenuEntries(const std::vector<OutputDevice>& listed,
                                               const std::string& effectiveName,
                                               const std::string& defaultLabel) {
    std::vector<OutputMenuEntry> entries;
    entries.push_back({EscapeMnemonics(defaultLabel), {}, true});
    for (const OutputDevice& d : listed) {
        if (d.name.empty())
            continue;
        const bool shared = std::count_if(listed.begin(), listed.end(), [&](const OutputDevice& o) {
                                return o.description == d.description;
                            }) > 1;
        std::string label = d.description;
        if (label.empty())
            label = d.name;
        else if (shared)
            label += " (" + d.name + ")";
        const bool checked = d.name == effectiveName;
        if (checked)
            entries.front().checked = false;
        entries.push_back({EscapeMnemonics(label), d.name, checked});
    }
    return entries;
}
