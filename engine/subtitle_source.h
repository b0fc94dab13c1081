// Subtitles a video brings along: a text file beside it with the same base name (the way
// other players find them without being asked), and the overlay that draws the subtitles
// onto the picture inside the video renderer.
#pragma once

#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstBin GstBin;

// The subtitle file beside the video, or empty: "name.srt" (or .vtt) before any
// "name.<language>.srt" and the like, which are taken in the order of their names.
std::string SideSubtitleFor(const std::string& videoPath);

// The name of the renderer's pad that takes a subtitle stream of the file itself; only a
// renderer without a side file has one.
constexpr const char* kSubtitlePadName = "subtitle";

// Whether decoded caps of this media type are a subtitle stream the overlay can draw.
bool IsSubtitleMedia(const char* media);

// Adds the overlay to the bin, fed by the side file when one is given, else by a ghost pad
// kSubtitlePadName for a stream of the file itself. Returns the overlay (its "video_sink"
// and "src" pads are to be linked by the caller), or null when an element is missing; the
// picture then goes on without subtitles.
GstElement* AddSubtitleOverlay(GstBin* bin, const std::string& sideFile);

// Shows or hides the subtitles of an overlay made above, at once and for every drawing it
// picks later; the overlay keeps reading its stream either way.
void ShowSubtitleOverlay(GstElement* overlay, bool shown);
