// What a MediaGraph shares with the pipeline's streaming threads. Streaming threads only
// ever touch this block, never the MediaGraph or a widget.
#pragma once

#include <QImage>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;

struct GraphShared {
    // Stream routing: where decoded pads go. Set before the pipeline leaves NULL.
    GstElement* videoTarget = nullptr;
    GstElement* audioTarget = nullptr;
    std::atomic<bool> noMorePads{false};
    std::atomic<int> linkedPads{0};

    // A sound-only conversion: pictures are neither decoded nor routed anywhere.
    bool soundOnly = false;

    // A conversion range: pads drop data until the range's seek has flushed them.
    bool holdUntilSeek = false;
    std::atomic<bool> seekSent{false};
    std::mutex padsMutex;
    std::vector<GstPad*> heldPads;            // one reference each
    std::atomic<int64_t> lastStreamTime{-1};  // ns, for progress while converting
    // Where each decoded stream is cut itself (ns), for sources whose demuxer cannot be
    // trusted to stop at the range's end; -1 when the demuxer stops the range.
    int64_t rangeEndNs = -1;

    // The newest video frame, kept for the video area and for still capture.
    std::mutex frameMutex;
    QImage lastFrame;
    std::atomic<bool> framePending{false};
    QObject* relay = nullptr;  // lives on the UI thread, outlives the pipeline
};

// Cuts the decoded stream of pad at endNs: a sound buffer across it is shortened, what
// comes later is dropped and the stream ends there.
void EndStreamAt(GstPad* pad, int64_t endNs);
