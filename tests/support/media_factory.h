// Test media made at test time with GStreamer's command-line tools and oggenc, so no
// sample file is ever shipped or downloaded. Every file lands in a per-test temp folder.
#pragma once

#include <string>

namespace testmedia {

// A fresh, empty folder under the system temp folder (removed by RemoveTree).
std::string MakeTempDir(const std::string& tag);
void RemoveTree(const std::string& dir);

// Runs a shell command; true when it exits 0.
bool Run(const std::string& command);

// A sine tone, 44100 Hz 16-bit stereo unless stated. Formats by extension of name:
// .wav .mp3 .ogg .wma .
std::string Tone(const std::string& dir, const std::string& name, double seconds, int rate = 44100,
                 int channels = 2, int freq = 440);

// A short video of GStreamer's SMPTE test pattern (with a tone unless silent):
// .avi (MJPEG + PCM), .mpg (MPEG-1 + MP2), .wmv (WMV2 + WMA2), .mp4 (H.264 + MP3).
std::string Video(const std::string& dir, const std::string& name, double seconds, int width = 320,
                  int height = 240, bool withAudio = true);

// A still picture of the test pattern: .png .jpg .bmp.
std::string Picture(const std::string& dir, const std::string& name, int width = 160,
                    int height = 120);

// A tiny Standard MIDI File (one track, a few notes), written byte by byte.
std::string Midi(const std::string& dir, const std::string& name);

// Writes raw bytes to a file (for corrupt and truncated inputs).
std::string WriteBytes(const std::string& dir, const std::string& name, const std::string& bytes);
// Keeps only the first `bytes` bytes of a copy of `source`.
std::string Truncated(const std::string& source, const std::string& dir, const std::string& name,
                      long bytes);

std::string ReadFile(const std::string& path);

}  // namespace testmedia
