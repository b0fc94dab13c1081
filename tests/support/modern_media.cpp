#include "tests/support/modern_media.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tests/support/media_factory.h"

namespace fs = std::filesystem;

namespace testmedia {

const unsigned kSmpteBars[7] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                0xFF00FF, 0xFF0000, 0x0000FF};

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kFps = 25;

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool Launch(const std::string& pipeline) {
    return Run("timeout -k 5 120 gst-launch-1.0 -q --no-fault " + pipeline + " >/dev/null 2>&1");
}

void PutLe(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Recipe {
    const char* ext;
    ModernClass cls;
    const char* video;  // encoder (and parser) of the pictures, or "" for none
    const char* audio;  // encoder (and parser) of the sound, or "" for none
    const char* mux;    // container; "" when the encoder writes the file itself
};

constexpr const char* kFilledH264 =
    "x264enc pass=cbr bitrate=3000 option-string=nal-hrd=cbr ! h264parse";

// One recipe per kind: the codecs people usually find in such a file.
const Recipe kRecipes[] = {
    {"mp4", ModernClass::Video, "x264enc ! h264parse", "avenc_aac ! aacparse", "mp4mux"},
    {"m4v", ModernClass::Video, "x264enc ! h264parse", "avenc_aac ! aacparse", "mp4mux"},
    {"mkv", ModernClass::Video, "x264enc ! h264parse", "opusenc", "matroskamux"},
    {"webm", ModernClass::Video, "vp8enc deadline=1", "opusenc", "webmmux"},
    {"mov", ModernClass::Video, "x264enc ! h264parse", "avenc_aac ! aacparse", "qtmux"},
    {"ogv", ModernClass::Video, "theoraenc", "vorbisenc", "oggmux"},
    {"3gp", ModernClass::Video, "x264enc ! h264parse", "avenc_aac ! aacparse", "3gppmux"},
    {"flv", ModernClass::Video, "x264enc ! h264parse", "avenc_aac ! aacparse", "flvmux"},
    // The demuxer reads a length only from transport streams of some size; a constant bit
    // rate with filler gives them that even at one second.
    {"ts", ModernClass::Video, kFilledH264, "avenc_aac ! aacparse", "mpegtsmux"},
    {"m2ts", ModernClass::Video, kFilledH264, "avenc_aac ! aacparse", "mpegtsmux m2ts-mode=true"},
    {"flac", ModernClass::Audio, "", "flacenc", ""},
    {"opus", ModernClass::Audio, "", "opusenc", "oggmux"},
    {"m4a", ModernClass::Audio, "", "avenc_aac ! aacparse", "mp4mux"},
    {"aac", ModernClass::Audio, "", "avenc_aac ! aacparse ! audio/mpeg,stream-format=adts", ""},
    {"oga", ModernClass::Audio, "", "vorbisenc", "oggmux"},
    {"aiff", ModernClass::Audio, "", "aiffmux", ""},
    {"aif", ModernClass::Audio, "", "aiffmux", ""},
    {"wv", ModernClass::Audio, "", "wavpackenc", ""},
    {"mka", ModernClass::Audio, "", "flacenc", "matroskamux"},
    {"jpeg", ModernClass::Picture, "jpegenc", "", ""},
    {"png", ModernClass::Picture, "pngenc", "", ""},
    {"gif", ModernClass::Picture, "", "", ""},
    {"webp", ModernClass::Picture, "webpenc", "", ""},
    {"tif", ModernClass::Picture, "avenc_tiff", "", ""},
    {"tiff", ModernClass::Picture, "avenc_tiff", "", ""},
};

const Recipe* RecipeFor(const std::string& ext) {
    for (const Recipe& r : kRecipes)
        if (ext == r.ext)
            return &r;
    return nullptr;
}

std::string VideoSource(double seconds) {
    std::ostringstream s;
    s << "videotestsrc pattern=smpte num-buffers=" << std::lround(seconds * kFps)
      << " ! video/x-raw,width=" << kWidth << ",height=" << kHeight << ",framerate=" << kFps
      << "/1 ! videoconvert";
    return s.str();
}

// GIF's LZW with 8-bit codes kept at 9 bits wide: a clear code before the table would
// grow, so every pixel is a literal. Larger than real GIFs, but exactly decodable.
std::string GifImageData(const std::vector<uint8_t>& pixels) {
    std::string out(1, '\x08');  // minimum code size
    std::string packed;
    uint32_t acc = 0;
    int bits = 0;
    auto emit = [&](uint32_t code) {
        acc |= code << bits;
        bits += 9;
        while (bits >= 8) {
            packed += static_cast<char>(acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    };
    const uint32_t clear = 256, end = 257;
    int sinceClear = 0;
    emit(clear);
    for (uint8_t p : pixels) {
        if (sinceClear == 250) {
            emit(clear);
            sinceClear = 0;
        }
        emit(p);
        ++sinceClear;
    }
    emit(end);
    if (bits > 0)
        packed += static_cast<char>(acc & 0xFF);
    for (size_t at = 0; at < packed.size(); at += 255) {
        std::string block = packed.substr(at, 255);
        out += static_cast<char>(block.size());
        out += block;
    }
    out += '\0';
    return out;
}

}  // namespace

const std::vector<ModernKind>& ModernKinds() {
    static const std::vector<ModernKind> kinds = [] {
        std::vector<ModernKind> v;
        for (const Recipe& r : kRecipes) v.push_back({r.ext, r.cls});
        return v;
    }();
    return kinds;
}

std::string MarkedToneWav(const std::string& dir, const std::string& name, double seconds,
                          double markSeconds) {
    const uint32_t frames = static_cast<uint32_t>(std::lround(seconds * kMarkRate));
    const uint32_t mark = static_cast<uint32_t>(std::lround(markSeconds * kMarkRate));
    const uint32_t dataBytes = frames * 4;
    std::string wav = "RIFF";
    PutLe(wav, 36 + dataBytes, 4);
    wav += "WAVEfmt ";
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2);  // PCM
    PutLe(wav, 2, 2);
    PutLe(wav, kMarkRate, 4);
    PutLe(wav, kMarkRate * 4, 4);
    PutLe(wav, 4, 2);
    PutLe(wav, 16, 2);
    wav += "data";
    PutLe(wav, dataBytes, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        double v = 0.0;
        if (i >= mark)
            v = kMarkAmplitude * std::sin(2.0 * M_PI * 1000.0 * (i - mark) / kMarkRate);
        auto s = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v)));
        PutLe(wav, s, 2);
        PutLe(wav, s, 2);
    }
    return WriteBytes(dir, name, wav);
}

std::string ModernMedia(const std::string& dir, const std::string& name, double seconds,
                        double markSeconds) {
    const std::string ext = name.substr(name.rfind('.') + 1);
    const Recipe* r = RecipeFor(ext);
    if (!r)
        return {};
    if (ext == "gif")
        return AnimatedGif(dir, name, kWidth, kHeight);
    const std::string out = (fs::path(dir) / name).string();
    const std::string sink = "filesink location=" + Quote(out);
    std::string pipeline;
    std::string tone;
    if (r->cls == ModernClass::Picture) {
        pipeline = VideoSource(1.0 / kFps) + " ! " + r->video + " ! " + sink;
    } else {
        tone = MarkedToneWav(dir, name + ".tone.wav", seconds, markSeconds);
        if (tone.empty())
            return {};
        const std::string sound = "filesrc location=" + Quote(tone) +
                                  " ! wavparse ! audioconvert ! audioresample ! " + r->audio;
        if (r->cls == ModernClass::Audio) {
            pipeline = sound + (*r->mux ? std::string(" ! ") + r->mux : "") + " ! " + sink;
        } else {
            pipeline = std::string(r->mux) + " name=m ! " + sink + " " + VideoSource(seconds) +
                       " ! " + r->video + " ! queue ! m. " + sound + " ! queue ! m.";
        }
    }
    const bool ok = Launch(pipeline);
    if (!tone.empty())
        std::remove(tone.c_str());
    return ok ? out : std::string();
}

std::string AnimatedGif(const std::string& dir, const std::string& name, int width, int height) {
    std::string gif = "GIF89a";
    PutLe(gif, static_cast<uint32_t>(width), 2);
    PutLe(gif, static_cast<uint32_t>(height), 2);
    gif += '\xF7';  // global colour table of 256 entries
    gif += '\0';    // background colour
    gif += '\0';    // no aspect ratio
    for (int i = 0; i < 256; ++i) {
        unsigned rgb = i < 7 ? kSmpteBars[i] : 0;  // index 7 and beyond: black
        gif += static_cast<char>((rgb >> 16) & 0xFF);
        gif += static_cast<char>((rgb >> 8) & 0xFF);
        gif += static_cast<char>(rgb & 0xFF);
    }
    for (int frame = 0; frame < 2; ++frame) {
        gif += std::string("\x21\xF9\x04\x04", 4);  // graphic control: keep, no transparency
        PutLe(gif, 20, 2);                          // 0.2 s per frame
        gif += std::string("\x00\x00", 2);
        gif += '\x2C';
        PutLe(gif, 0, 4);  // left, top
        PutLe(gif, static_cast<uint32_t>(width), 2);
        PutLe(gif, static_cast<uint32_t>(height), 2);
        gif += '\0';
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height, 7);
        if (frame == 0)
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    pixels[static_cast<size_t>(y) * width + x] =
                        static_cast<uint8_t>(x * 7 / width);
        gif += GifImageData(pixels);
    }
    gif += '\x3B';
    return WriteBytes(dir, name, gif);
}

}  // namespace testmedia
