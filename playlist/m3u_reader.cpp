#include "playlist/m3u_reader.h"

#include <cstdlib>

#include "playlist/path_helpers.h"
#include "playlist/playlist_text.h"

namespace {

// Titles and URIs make longer lines than paths do; still nothing a list needs is longer.
constexpr std::size_t kMaxLineBytes = 4 * kMaxPath;

}  // namespace

bool M3uReader::ParseExtinf(const std::string& line, int* seconds, std::string* title) {
    if (line.compare(0, 8, "#EXTINF:") != 0)
        return false;
    // Attributes (tvg-name="a, b") may stand between the length and the comma; a comma
    // inside quotes is theirs.
    bool quoted = false;
    std::size_t comma = std::string::npos;
    for (std::size_t i = 8; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ',' && !quoted) {
            comma = i;
            break;
        }
    }
    const std::string length =
        line.substr(8, comma == std::string::npos ? std::string::npos : comma - 8);
    char* end = nullptr;
    const long value = std::strtol(length.c_str(), &end, 10);
    *seconds = end != length.c_str() && value >= 0 && value < 100L * 365 * 24 * 3600
                   ? static_cast<int>(value)
                   : -1;
    title->clear();
    if (comma != std::string::npos) {
        std::string text = line.substr(comma + 1);
        const auto first = text.find_first_not_of(" \t");
        const auto last = text.find_last_not_of(" \t");
        if (first != std::string::npos)
            *title = text.substr(first, last - first + 1);
    }
    return true;
}

std::vector<PlaylistItem> M3uReader::Parse(const std::string& playlistPath,
                                           const std::string& bytes, bool oggLoaded) {
    const std::string base = FolderOf(playlistPath);
    std::vector<PlaylistItem> items;
    PlaylistItem pending;
    for (const std::string& line : PlaylistLines(PlaylistTextAsUtf8(bytes), kMaxLineBytes)) {
        if (ParseExtinf(line, &pending.seconds, &pending.title))
            continue;
        if (line.empty() || line[0] == '#')
            continue;
        pending.path = ResolveForeignEntry(base, line, oggLoaded);
        if (!pending.path.empty())
            items.push_back(pending);
        // A title belongs to the entry right after it, listed or not.
        pending = PlaylistItem{};
    }
    return items;
}
