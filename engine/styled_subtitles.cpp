#include "engine/styled_subtitles.h"

#include <strings.h>
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const size_t n = std::char_traits<char>::length(prefix);
    return s.size() >= n && strncasecmp(s.c_str(), prefix, n) == 0;
}

// H:MM:SS.cc in milliseconds, or -1.
long long TimeOf(const std::string& text) {
    unsigned h = 0, m = 0, s = 0, cs = 0;
    char end = 0;
    if (std::sscanf(Trim(text).c_str(), "%u:%u:%u.%u%c", &h, &m, &s, &cs, &end) != 4 || m > 59 ||
        s > 59 || cs > 99)
        return -1;
    return ((h * 60LL + m) * 60 + s) * 1000 + cs * 10LL;
}

std::string Plain(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '{') {
            const auto close = text.find('}', i);
            if (close == std::string::npos)
                break;
            i = close;
        } else if (c == '\\' && (next == 'N' || next == 'n')) {
            out += '\n';
            ++i;
        } else if (c == '\\' && next == 'h') {
            out += ' ';
            ++i;
        } else {
            out += c;
        }
    }
    return Trim(out);
}

std::string Stamp(long long ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld,%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return buf;
}

struct Cue {
    long long start, end;
    std::string text;
};

// The fields of a line after its "Name:", the last one taking the rest of the line (the
// text may hold commas of its own); empty when the line has fewer.
std::vector<std::string> Fields(const std::string& rest, size_t count) {
    std::vector<std::string> values;
    size_t at = 0;
    while (values.size() + 1 < count) {
        const auto comma = rest.find(',', at);
        if (comma == std::string::npos)
            return {};
        values.push_back(Trim(rest.substr(at, comma - at)));
        at = comma + 1;
    }
    values.push_back(rest.substr(at));
    return values;
}

}  // namespace

std::string SubRipFromStyled(const std::string& script) {
    std::istringstream in(script);
    std::string line;
    bool events = false;
    // Where Start, End and Text stand, from the section's Format line (SSA and ASS differ).
    std::vector<std::string> format = {"Layer",   "Start",   "End",     "Style",  "Name",
                                       "MarginL", "MarginR", "MarginV", "Effect", "Text"};
    std::vector<Cue> cues;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (!line.empty() && line[0] == '[') {
            events = strcasecmp(line.c_str(), "[Events]") == 0;
            continue;
        }
        const auto colon = line.find(':');
        if (!events || colon == std::string::npos)
            continue;
        const std::string rest = line.substr(colon + 1);
        if (StartsWithNoCase(line, "Format:")) {
            format.clear();
            std::stringstream split(rest);
            for (std::string name; std::getline(split, name, ',');) format.push_back(Trim(name));
            continue;
        }
        if (!StartsWithNoCase(line, "Dialogue:") || format.empty() ||
            strcasecmp(format.back().c_str(), "Text") != 0)
            continue;
        const std::vector<std::string> values = Fields(rest, format.size());
        if (values.empty())
            continue;
        long long start = -1, end = -1;
        for (size_t i = 0; i + 1 < format.size(); ++i) {
            if (strcasecmp(format[i].c_str(), "Start") == 0)
                start = TimeOf(values[i]);
            else if (strcasecmp(format[i].c_str(), "End") == 0)
                end = TimeOf(values[i]);
        }
        std::string text = Plain(values.back());
        if (start < 0 || end <= start || text.empty())
            continue;
        cues.push_back({start, end, std::move(text)});
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const Cue& a, const Cue& b) { return a.start < b.start; });
    std::string out;
    int number = 0;
    for (const Cue& c : cues)
        out += std::to_string(++number) + "\n" + Stamp(c.start) + " --> " + Stamp(c.end) + "\n" +
               c.text + "\n\n";
    return out;
}

bool IsStyledSubtitleFile(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string ext = path.substr(dot);
    return strcasecmp(ext.c_str(), ".ass") == 0 || strcasecmp(ext.c_str(), ".ssa") == 0;
}
