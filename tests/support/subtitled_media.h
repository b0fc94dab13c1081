// Videos with subtitles of known text and times, made with ffmpeg at test time, and a
// measure of drawn text in a picture.
#pragma once

#include <QImage>
#include <QRect>
#include <string>

namespace testmedia {

// A SubRip file with one cue from start to end (seconds).
std::string Srt(const std::string& dir, const std::string& name, double start, double end,
                const std::string& text);
// A SubStation Alpha file with one white cue at the bottom.
std::string Ass(const std::string& dir, const std::string& name, double start, double end,
                const std::string& text);
// A flat dark blue video with a tone; the container by extension (.avi, .mkv, .mp4), and
// with the subtitle file muxed in as its subtitle stream when one is given (SubRip or ASS
// in MKV, timed text in MP4).
std::string PlainVideo(const std::string& dir, const std::string& name, double seconds, int width,
                       int height, const std::string& subtitles = {});

// Pixels of rect in image that are near white: where text is drawn on the dark picture.
int LightPixels(const QImage& image, const QRect& rect);

}  // namespace testmedia
