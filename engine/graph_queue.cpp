// The list's next item, prepared behind a playing sound-only item so that its sound
// follows without a break.
#include <gst/gst.h>

#include "engine/graph_routing.h"
#include "engine/graph_shared.h"
#include "engine/graph_units.h"
#include "engine/item_branch.h"
#include "engine/media_graph.h"
#include "engine/mp3_length.h"
#include "engine/sound_length.h"
#include "engine/sound_renderer.h"

namespace {

// A file's length as the decoder in front of its sound answers it, else from its frame
// headers; 100-ns units, 0 when unknown.
int64_t LengthOf(GstElement* decoder, const std::string& path) {
    gint64 ns = 0;
    if (decoder && gst_element_query_duration(decoder, GST_FORMAT_TIME, &ns) && ns > 0)
        return NsToUnits(ns);
    return SoundFrameLength(path);
}

}  // namespace

BOOL MediaGraph::QueueNext(const char* path) {
    if (!path || !*path || !m_pGB || m_bSpent || !m_Current || m_Queued ||
        m_Content != MediaContent::AudioOnly || !m_Shared->audioTarget)
        return FALSE;
    const std::string file = path;
    const int64_t lead = HasExtension(file, {".mp3"}) ? Mp3GaplessLead(file) : 0;
    m_Queued = ItemBranch::Prepare(m_pGB, m_Shared->audioTarget, file, lead, m_Shared.get(),
                                   &m_QueuedWatch);
    return m_Queued ? TRUE : FALSE;
}

BOOL MediaGraph::TakeQueuedItem() {
    if (!m_Queued || !m_Queued->Linked() || !m_pGB)
        return FALSE;
    // The current item has played out (the joining element left its input): its branch
    // goes, and the graph's file, length and time line are the next item's from now on.
    m_Current->Remove(m_Shared->audioTarget);
    m_QueuedWatch = nullptr;
    m_Current = std::move(m_Queued);
    m_szFile = m_Current->Path();
    m_StartOffset = m_Current->Lead();
    m_TotalTime = LengthOf(m_Current->Decoder(), m_szFile);
    RetitleSoundRenderer(m_Shared->audioTarget, m_szFile.c_str());
    return TRUE;
}

void MediaGraph::DropQueuedItem() {
    if (!m_Queued)
        return;
    m_Shared->queuedJoinPad = nullptr;
    m_QueuedWatch = nullptr;
    m_Queued->Remove(m_Shared->audioTarget);
    m_Queued.reset();
}

std::string MediaGraph::QueuedFile() const {
    return m_Queued ? m_Queued->Path() : std::string();
}
