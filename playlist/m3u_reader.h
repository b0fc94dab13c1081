// M3U and M3U8 lists as every player writes them: one entry a line (a path, absolute or
// relative to the list's folder, or a file: URI), comments starting with '#', and the
// extended form's "#EXTINF:<seconds>,<title>" line before an entry.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist_item.h"

class M3uReader {
  public:
    // The entries naming existing files of kinds the list takes, in file order, over the
    // file's bytes (any line ends; UTF-8 or UTF-16 with their marks, else bytes as they are).
    static std::vector<PlaylistItem> Parse(const std::string& playlistPath,
                                           const std::string& bytes, bool oggLoaded);
    // The (seconds, title) of an "#EXTINF:" line; false for any other line.
    static bool ParseExtinf(const std::string& line, int* seconds, std::string* title);
};
