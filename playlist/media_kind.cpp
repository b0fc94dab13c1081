#include "playlist/media_kind.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

template <std::size_t N>
bool OneOf(const std::string& ext, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), ext) != list.end();
}

constexpr std::array<std::string_view, 6> kVideo = {"AVI", "MPG", "MPEG", "ASF", "WMV", "VOB"};
constexpr std::array<std::string_view, 2> kImage = {"JPG", "BMP"};
constexpr std::array<std::string_view, 5> kAudio = {"WAV", "MP3", "WMA", "MID", "MIDI"};
// The containers and codecs people keep today; the graph decodes them all. OGA is Ogg
// audio of any codec, so it goes to the graph, not to tunewell.
constexpr std::array<std::string_view, 10> kModernVideo = {"MP4", "M4V", "MKV", "WEBM", "MOV",
                                                           "OGV", "3GP", "FLV", "TS",   "M2TS"};
constexpr std::array<std::string_view, 6> kModernImage = {"JPEG", "PNG", "GIF",
                                                          "WEBP", "TIF", "TIFF"};
constexpr std::array<std::string_view, 10> kModernAudio = {"FLAC", "OPUS", "M4A", "AAC", "OGA",
                                                           "AIFF", "AIF",  "APE", "WV",  "MKA"};
// Besides the two of old, the lists other players write.
constexpr std::array<std::string_view, 5> kPlaylist = {"M3U", "VPL", "M3U8", "PLS", "XSPF"};
constexpr std::string_view kOgg = "OGG";

}  // namespace

bool IsVideoExtension(const std::string& ext) {
    return OneOf(ext, kVideo) || OneOf(ext, kModernVideo);
}
bool IsImageExtension(const std::string& ext) {
    return OneOf(ext, kImage) || OneOf(ext, kModernImage);
}
bool IsPlaylistExtension(const std::string& ext) {
    return OneOf(ext, kPlaylist);
}

bool IsAudioExtension(const std::string& ext, bool oggLoaded) {
    return OneOf(ext, kAudio) || OneOf(ext, kModernAudio) || (oggLoaded && ext == kOgg);
}

bool IsKnownExtension(const std::string& ext, bool oggLoaded) {
    return IsVideoExtension(ext) || IsImageExtension(ext) || IsAudioExtension(ext, oggLoaded) ||
           IsPlaylistExtension(ext);
}

PlayerEngine EngineForExtension(const std::string& ext) {
    if (IsVideoExtension(ext) || IsImageExtension(ext))
        return EngineGraph;
    if (ext == kOgg)
        return EngineOgg;
    if (OneOf(ext, kAudio) || OneOf(ext, kModernAudio))
        return EngineGraph;
    return EngineNone;
}

MediaKind MediaKindOf(const std::string& ext, bool oggLoaded) {
    if (IsVideoExtension(ext))
        return MediaKind::Video;
    if (IsImageExtension(ext))
        return MediaKind::Image;
    if (IsAudioExtension(ext, oggLoaded))
        return MediaKind::Audio;
    if (IsPlaylistExtension(ext))
        return MediaKind::Playlist;
    return MediaKind::Unknown;
}

int IconForExtension(const std::string& ext, bool oggLoaded) {
    if (IsImageExtension(ext))
        return kIconImage;
    if (IsAudioExtension(ext, oggLoaded))
        return kIconAudio;
    return kIconVideo;
}
