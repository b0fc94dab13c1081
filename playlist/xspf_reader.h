// XSPF lists (VLC, Audacious and others): XML with playlist/trackList/track elements,
// each track naming its file by a location URI, absolute (file:) or relative to the list.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist_item.h"

class XspfReader {
  public:
    // False when the bytes are not well-formed XML with a playlist root element. Otherwise
    // the tracks whose first location names an existing file of a kind the list takes, in
    // document order, with their titles and lengths (given in milliseconds).
    static bool Parse(const std::string& playlistPath, const std::string& bytes, bool oggLoaded,
                      std::vector<PlaylistItem>* items);
};
