// Side subtitle files in SubStation Alpha (.ass, .ssa) have no parser in GStreamer's own
// subtitle reader; their events are turned into SubRip text, which it reads, so their
// words show at their times (the styling is not kept).
#pragma once

#include <string>

// The dialogue events of an ASS/SSA script as SubRip text, in the order of their start;
// override blocks ({\...}) are dropped and \N, \n, \h become line breaks and spaces.
// Empty when the script has no readable event.
std::string SubRipFromStyled(const std::string& script);

// Whether the file name is a SubStation Alpha script by its extension.
bool IsStyledSubtitleFile(const std::string& path);
