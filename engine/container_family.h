// Which container a file name stands for, so that a cut kept in the source's own format
// can tell whether its target names the same kind of file.
#pragma once

#include <string>

enum class ContainerFamily { None, Mp4, Matroska, Transport, Mp3, Flac, Ogg, Adts };

// From the extension, case-insensitively; None when it is no kind a stream copy writes.
ContainerFamily ContainerFamilyOf(const std::string& path);

// The libavformat muxer for the target's own extension (mp4 and mov differ in what they
// allow); nullptr when the extension is no such kind.
const char* MuxerNameFor(const std::string& path);
