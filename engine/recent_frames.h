// The newest decoded frames as they enter the video renderer, at the video's own size and
// in the decoder's own format, kept by reference (nothing is copied). The frame on screen
// is one of them: the renderer may scale or convert it on the way, but keeps its time.
// Still capture and pictures at a new size of the video area are made from here.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <mutex>

typedef struct _GstPad GstPad;
typedef struct _GstSample GstSample;
typedef struct _GstElement GstElement;

class RecentFrames {
  public:
    RecentFrames() = default;
    ~RecentFrames();
    RecentFrames(const RecentFrames&) = delete;
    RecentFrames& operator=(const RecentFrames&) = delete;

    // Keeps what passes the pad in `frames` (a streaming thread calls back); the probe holds
    // a reference of its own to them until it goes with the pad.
    static void Watch(GstPad* pad, const std::shared_ptr<RecentFrames>& frames);
    void Clear();

    // The frame the sink shows (its last sample's time), else the newest; null when none.
    // The caller unrefs it.
    GstSample* Shown(GstElement* sink) const;

  private:
    friend struct RecentFramesProbe;
    void Keep(GstSample* sample);

    mutable std::mutex m_Mutex;
    GstSample* m_Newest = nullptr;
    GstSample* m_Before = nullptr;
};

// The frame converted to 32-bit RGB (QImage::Format_RGB32) at the given size, stretched to
// fill it; null on failure.
QImage FrameImage(GstSample* sample, QSize size);

// The frame at its own size as a packed bitmap: a 40-byte BITMAPINFOHEADER, no colour
// table, 24-bit rows bottom-up padded to 4 bytes; allocated with CoTaskMemAlloc. Null on
// failure.
uint8_t* FrameDib(GstSample* sample);
