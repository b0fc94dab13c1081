#include "playlist/pls_reader.h"

#include <cctype>
#include <cstdlib>
#include <map>

#include "playlist/path_helpers.h"
#include "playlist/playlist_loader.h"
#include "playlist/playlist_text.h"

namespace {

constexpr std::size_t kMaxLineBytes = 4 * kMaxPath;

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The number after prefix in key ("File12" -> 12), or 0 when key is no such key.
long NumberAfter(const std::string& upperKey, const std::string& prefix) {
    if (upperKey.compare(0, prefix.size(), prefix) != 0 || upperKey.size() == prefix.size() ||
        upperKey.size() > prefix.size() + 9)
        return 0;
    char* end = nullptr;
    const char* digits = upperKey.c_str() + prefix.size();
    const long n = std::strtol(digits, &end, 10);
    return *end == '\0' && std::isdigit(static_cast<unsigned char>(*digits)) && n > 0 ? n : 0;
}

}  // namespace

bool PlsReader::Parse(const std::string& playlistPath, const std::string& bytes, bool oggLoaded,
                      std::vector<PlaylistItem>* items) {
    items->clear();
    bool inList = false;
    bool found = false;
    std::map<long, PlaylistItem> entries;
    for (const std::string& raw : PlaylistLines(PlaylistTextAsUtf8(bytes), kMaxLineBytes)) {
        const std::string line = Trimmed(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inList = UpperAscii(line) == "[PLAYLIST]";
            found = found || inList;
            continue;
        }
        const auto equals = line.find('=');
        if (!inList || equals == std::string::npos)
            continue;
        const std::string key = UpperAscii(Trimmed(line.substr(0, equals)));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (const long n = NumberAfter(key, "FILE")) {
            entries[n].path = value;
        } else if (const long t = NumberAfter(key, "TITLE")) {
            entries[t].title = value;
        } else if (const long l = NumberAfter(key, "LENGTH")) {
            char* end = nullptr;
            const long seconds = std::strtol(value.c_str(), &end, 10);
            entries[l].seconds = end != value.c_str() && seconds >= 0 && seconds < 0x7fffffffL
                                     ? static_cast<int>(seconds)
                                     : -1;
        }
    }
    if (!found)
        return false;
    std::vector<PlaylistItem> listed;
    listed.reserve(entries.size());
    for (auto& [number, entry] : entries) listed.push_back(std::move(entry));
    *items = ResolvedItems(playlistPath, std::move(listed), oggLoaded);
    return true;
}
