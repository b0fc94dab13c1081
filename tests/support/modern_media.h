// Test media of today's containers and codecs (MP4, MKV, WebM, FLAC, Opus, PNG, GIF, ...),
// made at test time with GStreamer's encoders; GIF and Monkey's Audio files are written
// byte by byte, as GStreamer ships no encoder for them.
//
// Every file with sound carries a marked tone: silence up to the mark, then a 1 kHz sine
// at half of full scale, so that where a cut begins can be read from its content. Every
// file with pictures shows GStreamer's SMPTE colour bars (160 x 120, 25 frames a second).
#pragma once

#include <string>
#include <vector>

namespace testmedia {

enum class ModernClass { Video, Audio, Picture };

struct ModernKind {
    std::string ext;  // lower-case file extension, without the dot
    ModernClass cls;
};

// Every kind the generators below make, in a fixed order.
const std::vector<ModernKind>& ModernKinds();

constexpr int kMarkRate = 48000;            // sample rate of every generated sound
constexpr double kMarkAmplitude = 16384.0;  // peak of the tone, in 16-bit units

// A 16-bit stereo WAV file holding the marked tone, written directly.
std::string MarkedToneWav(const std::string& dir, const std::string& name, double seconds,
                          double markSeconds);

// A file of the kind named by name's extension (one of ModernKinds()): video and sound
// of `seconds` with the tone starting at markSeconds, or a single picture. Empty on
// failure.
std::string ModernMedia(const std::string& dir, const std::string& name, double seconds,
                        double markSeconds);

// A Monkey's Audio (.ape) file of the marked tone, 16-bit stereo.
std::string MonkeysAudio(const std::string& dir, const std::string& name, double seconds,
                         double markSeconds);

// A two-frame GIF of width x height, looping: the colour bars for kAnimatedGifHold seconds,
// then an all-black frame for 0.2 s.
constexpr int kAnimatedGifHold = 20;
std::string AnimatedGif(const std::string& dir, const std::string& name, int width, int height);

// A GIF of width x height, looping, whose every frame is one colour (0xRRGGBB, at most
// 256 frames) shown for its delay in hundredths of a second.
struct TimedGifFrame {
    unsigned rgb;
    int centiseconds;
};
std::string TimedGif(const std::string& dir, const std::string& name, int width, int height,
                     const std::vector<TimedGifFrame>& frames);

// The colours of the seven SMPTE bars across the top two thirds of the picture.
extern const unsigned kSmpteBars[7];

}  // namespace testmedia
