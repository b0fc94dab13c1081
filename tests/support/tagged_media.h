// Tagged songs made by ffmpeg at test time: title, artist, album and, for MP3 and FLAC,
// an attached cover picture.
#pragma once

#include <string>

namespace testmedia {

struct SongTags {
    std::string title;
    std::string artist;
    std::string album;
    bool cover = false;  // MP3 (JPEG) and FLAC (PNG) only
};

// A tone of the given length in .mp3, .flac or .ogg by the name's extension; "" on failure.
std::string TaggedSong(const std::string& dir, const std::string& name, double seconds,
                       const SongTags& tags);

}  // namespace testmedia
