// Routing of the decoded streams of a playback or conversion graph: which renderer or
// writer each stream the decoder exposes goes to, and the pad probes that hold a
// conversion's streams until its range is sought and keep sources that cannot be trusted
// with a seek's position or stop to the range. Everything here runs on streaming threads
// and touches only the GraphShared block.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

typedef struct _GstBuffer GstBuffer;
typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;
typedef struct _GstEvent GstEvent;
typedef struct _GstPadProbeInfo GstPadProbeInfo;
typedef struct _GstSegment GstSegment;

struct GraphShared;

// Connects the decoder's signals: new streams are routed to the shared block's targets.
void RouteDecodedStreams(GstElement* decoder, GraphShared* shared);

// In a pad probe on a segment event: the event goes on as one for segment instead, in the
// same sequence.
void ReplaceProbedSegment(GstPadProbeInfo* info, GstEvent* event, const GstSegment& segment);
// The time segment a downstream event probe sees, or null for any other event.
const GstSegment* ProbedTimeSegment(GstPadProbeInfo* info);
// A forward segment that begins before startNs is moved to begin there (its stream time
// moved along, so the clock does not wait out the skipped stretch) and to end at stopNs
// where that is not negative.
void MoveProbedSegmentStart(GstPadProbeInfo* info, int64_t startNs, int64_t stopNs);

// Cuts a decoded sound buffer arriving on pad to [from, to) (ns, to < 0: no end); null when
// nothing of it is left (the buffer is then gone). Pictures pass whole.
GstBuffer* CutSound(GstPad* pad, GstBuffer* buf, int64_t from, int64_t to);

// Whether the element's "sink" pad is linked.
bool IsLinked(GstElement* element);

// Whether the path ends with one of the extensions (compared without case).
bool HasExtension(const std::string& path, std::initializer_list<const char*> exts);

// Adds the elements to the graph and links them in order; false (nothing added) when one
// is missing.
bool AddChain(GstElement* graph, std::initializer_list<GstElement*> chain);
