// A range of a file written into its own container with its streams copied: the video
// frames between the start and the next keyframe are re-encoded (HeadEncoder), everything
// from that keyframe on is copied bit for bit, sound and subtitles are copied from the
// packet at the start. MP4 (edit list), Ogg Opus (pre-skip, granule), Matroska Opus (pre-skip
// and codec delay, discarded padding) and MP3 (the encoder's note) trim the sound to the
// range's samples; FLAC's edge frames are made again of the
// range's samples (FlacRange); the pictures of the last group that need
// one past the end are re-encoded too. The file
// is written beside the target under a hidden name and renamed only when complete.
#pragma once

#include <functional>
#include <string>

enum class CopyCutError {
    None,
    BadRange,        // start not before end, or negative
    CannotOpen,      // the source cannot be read as media
    WrongFamily,     // the target's extension is not the source's own kind
    NoStreams,       // nothing the target's container takes
    CannotReencode,  // no encoder matches the video for the frames before the first keyframe
    CannotWrite,     // the target's folder refuses the file, or the disk is full
    Empty,           // the range holds no packet
};

struct CopyCutResult {
    CopyCutError error = CopyCutError::None;
    std::string detail;          // libav's own words, for the log
    int reencodedFrames = 0;     // frames before the first copied keyframe
    int copiedVideoPackets = 0;  // bit-for-bit video packets
};

class StreamCopyCut {
  public:
    // start and end in seconds of the source's time line (0 is its first timestamp).
    // progress, when given, receives seconds written so far and returns false to cancel.
    static CopyCutResult Run(const std::string& source, const std::string& target,
                             double startSeconds, double endSeconds,
                             const std::function<bool(double)>& progress = {});
};
