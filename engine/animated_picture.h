// A picture of several frames (an animated GIF) shown as an animation: each frame at its
// own delay, and from the first frame again after the last, for as long as the graph
// shows it, as browsers and image viewers do.
//
// GStreamer's GIF path cannot do this: its libav decoder stamps every frame at time zero,
// so a running graph shows them all at once and ends. The frames are read here instead
// (Qt's reader, which composes each frame onto the whole picture) and handed to the graph
// from a source of their own, stamped with the times they are shown.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/source_branch.h"

class QImageReader;

class AnimatedPicture {
  public:
    struct Frame {
        QImage image;  // RGB32 at the picture's size, transparency shown over black
        int64_t ptsNs = 0;
        int64_t durationNs = 0;
    };

    AnimatedPicture(std::string path, QSize size);
    ~AnimatedPicture();
    AnimatedPicture(const AnimatedPicture&) = delete;
    AnimatedPicture& operator=(const AnimatedPicture&) = delete;

    // The next frame to show, its time following the one before; after the last frame the
    // first comes again. False only when the file yields no frame at all any more.
    bool Next(Frame* frame);

  private:
    std::string m_path;
    QSize m_size;
    std::unique_ptr<QImageReader> m_pReader;  // the pass through the file under way
    int m_framesInPass = 0;
    int64_t m_nextNs = 0;
};

// True when path is a GIF with more than one frame; *size is then its picture's size.
bool IsAnimatedPicture(const std::string& path, QSize* size);

// Adds a source of the animation's frames and a decoder behind it (which hands them on as
// they are) to bin, linked, as AddSourceBranch does for a file.
SourceBranch AddAnimatedPicture(GstElement* bin, const std::string& path, QSize size,
                                const char* sourceName, const char* decoderName);
