// What a MediaGraph shares with the pipeline's streaming threads for routing and ranges.
// Streaming threads touch only this block and the video output's frames, never the
// MediaGraph or a widget.
#pragma once

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

    // An MPEG program stream counts its time from the first timestamp in the file, not
    // from zero, and its demuxer lands well after the position a seek asks for.
    std::atomic<bool> programStream{false};
    std::atomic<int64_t> firstPts{-1};    // ns, earliest first timestamp of any stream
    std::atomic<int64_t> clipBefore{-1};  // ns; decoded data before it is dropped
    std::atomic<int64_t> clipAfter{-1};   // ns; each stream ends there
    // Sources that cannot be trusted with a seek's stop: FLV's demuxer ends every stream
    // once a picture's presentation time passes it, which with reordered (B-) frames comes
    // up to a fifth of a second before the range has all come out, and the Monkey's Audio
    // decoder, whose frames hold seconds of sound, fails when a stop falls inside one. Their
    // seeks go without a stop and each decoded stream ends at it on its own.
    std::atomic<bool> stopByGraph{false};

    // The joining element's pad of the list's next item, prepared in a sound-only graph;
    // when it turns active the next item is being heard. Null when none is prepared.
    std::atomic<GstPad*> queuedJoinPad{nullptr};
};
