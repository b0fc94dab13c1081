#include "engine/container_family.h"

#include <algorithm>
#include <cctype>

namespace {

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

struct Kind {
    const char* extension;
    ContainerFamily family;
    const char* muxer;
};

constexpr Kind kKinds[] = {
    {"mp4", ContainerFamily::Mp4, "mp4"},           {"m4v", ContainerFamily::Mp4, "mp4"},
    {"m4a", ContainerFamily::Mp4, "mp4"},           {"mov", ContainerFamily::Mp4, "mov"},
    {"mkv", ContainerFamily::Matroska, "matroska"}, {"mka", ContainerFamily::Matroska, "matroska"},
    {"webm", ContainerFamily::Matroska, "webm"},    {"ts", ContainerFamily::Transport, "mpegts"},
    {"m2ts", ContainerFamily::Transport, "mpegts"}, {"mts", ContainerFamily::Transport, "mpegts"},
    {"mp3", ContainerFamily::Mp3, "mp3"},           {"flac", ContainerFamily::Flac, "flac"},
    {"ogg", ContainerFamily::Ogg, "ogg"},           {"oga", ContainerFamily::Ogg, "ogg"},
    {"opus", ContainerFamily::Ogg, "opus"},         {"aac", ContainerFamily::Adts, "adts"},
};

const Kind* KindOf(const std::string& path) {
    const std::string ext = LowerExtension(path);
    for (const Kind& k : kKinds)
        if (ext == k.extension)
            return &k;
    return nullptr;
}

}  // namespace

ContainerFamily ContainerFamilyOf(const std::string& path) {
    const Kind* k = KindOf(path);
    return k ? k->family : ContainerFamily::None;
}

const char* MuxerNameFor(const std::string& path) {
    const Kind* k = KindOf(path);
    return k ? k->muxer : nullptr;
}
