#include "tests/support/tagged_media.h"

#include <filesystem>

#include "tests/support/media_factory.h"

namespace testmedia {

namespace {

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::string TaggedSong(const std::string& dir, const std::string& name, double seconds,
                       const SongTags& tags) {
    const std::string out = (std::filesystem::path(dir) / name).string();
    const std::string ext = std::filesystem::path(name).extension().string();
    std::string audioCodec = ext == ".mp3" ? "libmp3lame" : ext == ".flac" ? "flac" : "libvorbis";
    std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=" +
                      std::to_string(seconds);
    const bool cover = tags.cover && (ext == ".mp3" || ext == ".flac");
    if (cover)
        cmd += " -f lavfi -i color=c=red:s=48x48:d=0.04 -map 0:a -map 1:v -frames:v 1 -c:v " +
               std::string(ext == ".mp3" ? "mjpeg" : "png") + " -disposition:v attached_pic";
    cmd += " -c:a " + audioCodec;
    if (ext == ".mp3")
        cmd += " -id3v2_version 3";
    if (!tags.title.empty())
        cmd += " -metadata title=" + Quoted(tags.title);
    if (!tags.artist.empty())
        cmd += " -metadata artist=" + Quoted(tags.artist);
    if (!tags.album.empty())
        cmd += " -metadata album=" + Quoted(tags.album);
    cmd += " " + Quoted(out);
    return Run("timeout 60 " + cmd) ? out : std::string();
}

}  // namespace testmedia
