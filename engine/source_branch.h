// The source side of one item in a graph: the file and its decoder.
#pragma once

#include <string>
#include <vector>

typedef struct _GstElement GstElement;

struct SourceBranch {
    GstElement* decoder = nullptr;      // null when an element is missing
    std::vector<GstElement*> elements;  // everything added to the bin, the decoder last
};

// Adds a reader of path and a decoder behind it to bin, linked; the decoder's streams are
// left for the caller to route. Names may be null.
SourceBranch AddSourceBranch(GstElement* bin, const std::string& path, const char* sourceName,
                             const char* decoderName);
