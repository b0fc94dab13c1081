// Reads a playlist file of any flavour the list knows: the program's own (".vpl"), M3U
// and M3U8, PLS and XSPF. A file that cannot be read, is no list of its kind, or names
// nothing that can be listed is refused with a message that names it, so that the list it
// would have replaced can stay as it is.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist_item.h"

struct PlaylistLoad {
    bool ok = false;
    std::string error;  // why not, in the user's words (UTF-8), naming the file
    std::vector<PlaylistItem> items;
};

// The entries (each path as the list wrote it) that name an existing file of a kind the list
// takes, in their order, each path made the file's absolute path; titles and lengths stay.
std::vector<PlaylistItem> ResolvedItems(const std::string& playlistPath,
                                        std::vector<PlaylistItem> entries, bool oggLoaded);

class PlaylistLoader {
  public:
    static PlaylistLoad Load(const std::string& playlistPath, bool oggLoaded);
    // Same, over the file's bytes (for all but the own flavour, which is read as it
    // always was).
    static PlaylistLoad Parse(const std::string& playlistPath, const std::string& bytes,
                              bool oggLoaded);
};
