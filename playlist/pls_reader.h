// PLS lists (Winamp, SHOUTcast and the players after them): an INI file whose
// "[playlist]" section holds FileN=, TitleN= and LengthN= keys, N counting from 1.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist_item.h"

class PlsReader {
  public:
    // False when the bytes hold no "[playlist]" section: then the file is no PLS list.
    // Otherwise the entries naming existing files of kinds the list takes, in the order of
    // their numbers (a number given twice keeps its last value).
    static bool Parse(const std::string& playlistPath, const std::string& bytes, bool oggLoaded,
                      std::vector<PlaylistItem>* items);
};
