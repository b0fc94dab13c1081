// The cut kinds that write today's formats through an encoder: MP4 (H.264 + AAC), WebM
// (VP9 + Opus), and for sound FLAC, Opus and MP3. They sit beside the three classic kinds
// of ConversionMode, whose numbers the editor and stored choices rely on, so they have an
// enum of their own and are started with MediaGraph::ConvertEncoded.
#pragma once

#include <cstdint>
#include <string>

typedef struct _GstElement GstElement;

enum class EncodedKind : int32_t { Mp4 = 0, WebM = 1, Flac = 2, Opus = 3, Mp3 = 4 };

// Whether the kind can hold pictures; the sound kinds decode no video at all.
bool KindHoldsPictures(EncodedKind kind);

// The lower-case extension, without the dot, a file of the kind is named with.
const char* KindExtension(EncodedKind kind);

// The kind a target's extension asks for (compared without case): .mp4/.m4v → Mp4,
// .webm → WebM, .flac → Flac, .opus → Opus, .mp3 → Mp3; false when it names none (the
// classic kinds .wav/.avi/.asf included). Whether the source has what the kind holds is
// the graph's to tell when it converts.
bool EncodedKindForTarget(const std::string& target, EncodedKind* kind);

// The writer branches of the kind, added to graph and linked through to a file sink on
// path. volumePercent scales the sound (100 unchanged). *videoIn and *audioIn receive the
// element each decoded stream is to be linked to; a branch is made only when asked for
// (withVideo, withAudio) and the kind holds it. False when an element is missing or does
// not link; what was added stays in the graph, which the caller then closes.
bool AddEncodedWriter(GstElement* graph, EncodedKind kind, const std::string& path,
                      int32_t volumePercent, bool withVideo, bool withAudio, GstElement** videoIn,
                      GstElement** audioIn);

// The head of a decoded picture branch of a cut: turns the pictures upright by the
// stream's orientation tag and drops the tag, so that no reader turns them a second time.
GstElement* MakeUprightPictures();
