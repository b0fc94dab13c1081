#include "tests/support/modern_media.h"

#include <algorithm>
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
    {"ape", ModernClass::Audio, "", "", ""},  // written here: no encoder ships for it
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

std::vector<int16_t> MarkedTone(double seconds, double markSeconds) {
    const auto frames = static_cast<size_t>(std::lround(seconds * kMarkRate));
    const auto mark = static_cast<size_t>(std::lround(markSeconds * kMarkRate));
    std::vector<int16_t> tone(frames, 0);
    for (size_t i = mark; i < frames; ++i)
        tone[i] = static_cast<int16_t>(std::lround(
            kMarkAmplitude * std::sin(2.0 * M_PI * 1000.0 * double(i - mark) / kMarkRate)));
    return tone;
}

// Monkey's Audio, format version 3.99 at the fast level, built from the decoder's rules:
// a range coder over adaptive Rice values, and a sign-sign adaptive predictor per channel
// whose state the encoder mirrors to find the residual that yields each sample exactly.
constexpr uint32_t kRangeTop = 1u << 31;
constexpr uint32_t kRangeBottom = kRangeTop >> 8;
constexpr int kRangeShift = 23;

class RangeEncoder {
  public:
    // The symbol [start, start + width) of a total of 2^shift.
    void Shift(uint32_t width, uint32_t start, int shift) {
        Normalize();
        uint32_t r = m_range >> shift;
        m_range = r * width;
        m_low += r * start;
    }
    // One symbol of `total` equally likely ones.
    void Uniform(uint32_t symbol, uint32_t total) {
        Normalize();
        uint32_t r = m_range / total;
        m_range = r;
        m_low += r * symbol;
    }
    std::string Finish() {
        Normalize();
        uint32_t last = (m_low >> kRangeShift) + 1;
        Emit(last > 0xFF);
        m_out += static_cast<char>(last & 0xFF);
        m_out += std::string(8, '\0');  // the decoder reads a little ahead
        return m_out;
    }

  private:
    void Emit(bool carry) {
        m_out += static_cast<char>(m_buffer + (carry ? 1 : 0));
        for (; m_pending; --m_pending) m_out += carry ? '\0' : '\xFF';
    }
    void Normalize() {
        while (m_range <= kRangeBottom) {
            if (m_low < (0xFFu << kRangeShift) || (m_low & kRangeTop)) {
                Emit((m_low & kRangeTop) != 0);
                m_buffer = static_cast<uint8_t>(m_low >> kRangeShift);
            } else {
                ++m_pending;  // a carry may still reach this byte
            }
            m_low = (m_low << 8) & (kRangeTop - 1);
            m_range <<= 8;
        }
    }
    uint32_t m_low = 0;
    uint32_t m_range = kRangeTop;
    uint32_t m_pending = 0;
    uint8_t m_buffer = 0;  // the first byte out is this, and the decoder skips it
    std::string m_out;
};

class RiceCoder {
  public:
    void Encode(RangeEncoder& rc, int32_t value) {
        static const uint16_t kCounts[22] = {0,     19578, 36160, 48417, 56323, 60899, 63265, 64435,
                                             64971, 65232, 65351, 65416, 65447, 65466, 65476, 65482,
                                             65485, 65488, 65490, 65491, 65492, 65493};
        const uint32_t x = value > 0 ? static_cast<uint32_t>(value) * 2 - 1
                                     : static_cast<uint32_t>(-static_cast<int64_t>(value)) * 2;
        const uint32_t pivot = std::max<uint32_t>(m_ksum >> 5, 1);
        const uint32_t overflow = x / pivot, base = x % pivot;
        if (overflow <= 20) {
            rc.Shift(kCounts[overflow + 1] - kCounts[overflow], kCounts[overflow], 16);
        } else {
            rc.Shift(1, 65535, 16);  // escape: the overflow follows in 32 bits
            rc.Shift(1, overflow >> 16, 16);
            rc.Shift(1, overflow & 0xFFFF, 16);
        }
        if (pivot < 0x10000) {
            rc.Uniform(base, pivot);
        } else {
            int bits = 0;
            uint32_t high = pivot;
            while (high & ~0xFFFFu) {
                high >>= 1;
                ++bits;
            }
            rc.Uniform(base >> bits, high + 1);
            rc.Uniform(base & ((1u << bits) - 1), 1u << bits);
        }
        const uint32_t limit = m_k ? 1u << (m_k + 4) : 0;
        m_ksum += (x + 1) / 2 - ((m_ksum + 16) >> 5);
        if (m_ksum < limit)
            --m_k;
        else if (m_ksum >= (1u << (m_k + 5)) && m_k < 24)
            ++m_k;
    }

  private:
    uint32_t m_k = 10;
    uint32_t m_ksum = (1u << 10) * 16;
};

int SignOf(int32_t v) {
    return (v > 0) - (v < 0);
}

// The fast level's predictor of one channel, run backwards: the residual for an output.
class ChannelPredictor {
  public:
    int32_t Residual(int32_t out) {
        auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
        const int32_t d0 = static_cast<int32_t>(u(m_a) - u(m_lastA));
        const auto prediction = static_cast<int32_t>(u(m_a) * u(m_c[0]) + u(d0) * u(m_c[1]) +
                                                     u(m_d1) * u(m_c[2]) + u(m_d2) * u(m_c[3]));
        const auto current =
            static_cast<int32_t>(u(out) - u(static_cast<int32_t>(u(m_filter) * 31u) >> 5));
        const auto residual = static_cast<int32_t>(u(current) - u(prediction >> 10));
        const int sign = SignOf(residual);
        m_c[0] += SignOf(m_a) * sign;
        m_c[1] += SignOf(d0) * sign;
        m_c[2] += SignOf(m_d1) * sign;
        m_c[3] += SignOf(m_d2) * sign;
        m_d2 = m_d1;
        m_d1 = d0;
        m_lastA = m_a;
        m_a = current;
        m_filter = out;
        return residual;
    }

  private:
    int32_t m_a = 0, m_lastA = 0, m_d1 = 0, m_d2 = 0, m_filter = 0;
    int32_t m_c[4] = {360, 317, -109, 98};
};

}  // namespace

std::string MonkeysAudio(const std::string& dir, const std::string& name, double seconds,
                         double markSeconds) {
    const std::vector<int16_t> tone = MarkedTone(seconds, markSeconds);
    // Both channels carry the tone: the side channel (right - left) is silent and the mid
    // channel (left + side / 2) is the tone.
    RangeEncoder rc;
    RiceCoder riceSide, riceMid;
    ChannelPredictor side, mid;
    for (int16_t v : tone) {
        riceSide.Encode(rc, side.Residual(0));
        riceMid.Encode(rc, mid.Residual(v));
    }
    // The frame's CRC: CRC-32 of the decoded PCM bytes, shifted right once (its top bit
    // would announce frame flags).
    uint32_t crc = 0xFFFFFFFFu;
    for (int16_t v : tone)
        for (int channel = 0; channel < 2; ++channel)
            for (int byte = 0; byte < 2; ++byte) {
                crc ^= (static_cast<uint16_t>(v) >> (8 * byte)) & 0xFFu;
                for (int bit = 0; bit < 8; ++bit)
                    crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
            }
    crc = ~crc >> 1;
    std::string frame;
    for (int shift = 24; shift >= 0; shift -= 8) frame += static_cast<char>((crc >> shift) & 0xFF);
    frame += rc.Finish();
    while (frame.size() % 4) frame += '\0';
    std::string data;  // stored as little-endian 32-bit words
    for (size_t i = 0; i < frame.size(); i += 4)
        for (int j = 3; j >= 0; --j) data += frame[i + static_cast<size_t>(j)];
    std::string f = "MAC ";
    PutLe(f, 3990, 2);
    PutLe(f, 0, 2);
    PutLe(f, 52, 4);  // descriptor
    PutLe(f, 24, 4);  // header
    PutLe(f, 4, 4);   // seek table: one frame
    PutLe(f, 0, 4);   // no stored WAV header
    PutLe(f, static_cast<uint32_t>(data.size()), 4);
    PutLe(f, 0, 4);
    PutLe(f, 0, 4);  // no WAV tail
    f += std::string(16, '\0');
    PutLe(f, 1000, 2);  // fast
    PutLe(f, 32, 2);    // the decoder makes its own WAV header
    PutLe(f, 73728 * 4, 4);
    PutLe(f, static_cast<uint32_t>(tone.size()), 4);
    PutLe(f, 1, 4);
    PutLe(f, 16, 2);
    PutLe(f, 2, 2);
    PutLe(f, kMarkRate, 4);
    PutLe(f, static_cast<uint32_t>(f.size() + 4), 4);  // the only frame, after this table
    return WriteBytes(dir, name, f + data);
}

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
    const std::vector<int16_t> tone = MarkedTone(seconds, markSeconds);
    const auto frames = static_cast<uint32_t>(tone.size());
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
    for (int16_t v : tone) {
        PutLe(wav, static_cast<uint16_t>(v), 2);
        PutLe(wav, static_cast<uint16_t>(v), 2);
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
    if (ext == "ape")
        return MonkeysAudio(dir, name, seconds, markSeconds);
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

namespace {

// A GIF89a header of width x height with a global table of 256 colours (missing ones black),
// looping for ever.
std::string GifHeader(int width, int height, const std::vector<unsigned>& colours) {
    std::string gif = "GIF89a";
    PutLe(gif, static_cast<uint32_t>(width), 2);
    PutLe(gif, static_cast<uint32_t>(height), 2);
    gif += '\xF7';  // global colour table of 256 entries
    gif += '\0';    // background colour
    gif += '\0';    // no aspect ratio
    for (size_t i = 0; i < 256; ++i) {
        unsigned rgb = i < colours.size() ? colours[i] : 0;
        gif += static_cast<char>((rgb >> 16) & 0xFF);
        gif += static_cast<char>((rgb >> 8) & 0xFF);
        gif += static_cast<char>(rgb & 0xFF);
    }
    gif += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    return gif;
}

// One whole-picture frame of palette indexes, shown for `centiseconds`.
std::string GifFrame(int width, int height, const std::vector<uint8_t>& pixels, int centiseconds) {
    std::string f("\x21\xF9\x04\x04", 4);  // graphic control: keep, no transparency
    PutLe(f, static_cast<uint32_t>(centiseconds), 2);
    f += std::string("\x00\x00", 2);
    f += '\x2C';
    PutLe(f, 0, 4);  // left, top
    PutLe(f, static_cast<uint32_t>(width), 2);
    PutLe(f, static_cast<uint32_t>(height), 2);
    f += '\0';
    return f + GifImageData(pixels);
}

}  // namespace

std::string AnimatedGif(const std::string& dir, const std::string& name, int width, int height) {
    std::string gif = GifHeader(width, height, std::vector<unsigned>(kSmpteBars, kSmpteBars + 7));
    std::vector<uint8_t> bars(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bars[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(x * 7 / width);
    gif += GifFrame(width, height, bars, kAnimatedGifHold * 100);
    // Index 7 is black.
    gif += GifFrame(width, height, std::vector<uint8_t>(bars.size(), 7), 20);
    gif += '\x3B';
    return WriteBytes(dir, name, gif);
}

std::string TimedGif(const std::string& dir, const std::string& name, int width, int height,
                     const std::vector<TimedGifFrame>& frames) {
    std::vector<unsigned> colours;
    for (const TimedGifFrame& f : frames) colours.push_back(f.rgb);
    std::string gif = GifHeader(width, height, colours);
    for (size_t i = 0; i < frames.size(); ++i)
        gif += GifFrame(
            width, height,
            std::vector<uint8_t>(static_cast<size_t>(width) * height, static_cast<uint8_t>(i)),
            frames[i].centiseconds);
    gif += '\x3B';
    return WriteBytes(dir, name, gif);
}

}  // namespace testmedia
