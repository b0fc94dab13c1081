// What a path is, decided from its upper-cased extension alone. Ogg Vorbis files are
// playable only through tunewell, so they count as audio only while it is loaded.
#pragma once

#include <string>

enum PlayerEngine {
    EngineNone = 0,   // nothing to play (playlists, unknown kinds)
    EngineGraph = 1,  // played by MediaGraph
    EngineOgg = 2,    // played by tunewell through OggBackend
};

enum class MediaKind { Unknown, Video, Image, Audio, Playlist };

// Row icon indexes into the playlist's image lists.
constexpr int kIconVideo = 0;  // video, playlist and any other row
constexpr int kIconImage = 1;
constexpr int kIconAudio = 2;

// Each test takes an extension that is already upper-cased (UpperExtensionOf).
bool IsVideoExtension(const std::string& ext);
bool IsImageExtension(const std::string& ext);
bool IsAudioExtension(const std::string& ext, bool oggLoaded);
bool IsPlaylistExtension(const std::string& ext);
bool IsKnownExtension(const std::string& ext, bool oggLoaded);
// "OGG" gives EngineOgg whether or not tunewell is loaded.
PlayerEngine EngineForExtension(const std::string& ext);

MediaKind MediaKindOf(const std::string& ext, bool oggLoaded);
int IconForExtension(const std::string& ext, bool oggLoaded);
