// What a media file's own tags say about it, as the playlist shows it and the desktop's
// media controls announce it. Empty texts and a zero length mean "not known".
#pragma once

#include <string>
#include <vector>

struct MediaTags {
    std::string title;
    std::vector<std::string> artists;
    std::string album;
    long long lengthMs = 0;
    // A local picture of the cover: the file's own picture saved in the cache, or one
    // that lies beside the file; "" for none.
    std::string artPath;

    bool operator==(const MediaTags&) const = default;
};
