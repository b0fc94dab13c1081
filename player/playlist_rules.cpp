// Kept apart from the engine adapters: the playlist's path helpers and the media graph
// each declare the program's path limit.
#include "engine/ogg_backend.h"
#include "player/engine_adapters.h"
#include "playlist/media_kind.h"
#include "playlist/path_helpers.h"

namespace player {

std::string PlaylistRules::UpperExtensionOf(const std::string& path) {
    return ::UpperExtensionOf(path);
}
EngineId PlaylistRules::EngineForExtension(const std::string& ext) {
    return ::EngineForExtension(ext);
}
bool PlaylistRules::IsVideoExtension(const std::string& ext) {
    return ::IsVideoExtension(ext);
}
bool PlaylistRules::IsImageExtension(const std::string& ext) {
    return ::IsImageExtension(ext);
}
bool PlaylistRules::IsAudioExtension(const std::string& ext) {
    return ::IsAudioExtension(ext, m_ogg.IsLoaded());
}

}  // namespace player
