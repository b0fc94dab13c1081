#include "engine/item_branch.h"

#include <gst/gst.h>

#include <QDebug>

#include "engine/graph_routing.h"
#include "engine/graph_shared.h"
#include "engine/sound_renderer.h"
#include "engine/source_branch.h"

namespace {

// Starts an item's sound at leadNs: what comes before is dropped, the sound block across
// it cut at the sample, and the segment moved so that the output does not wait out the
// dropped stretch (which would be heard as silence between the items).
GstPadProbeReturn SkipLead(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    const int64_t lead = *static_cast<const int64_t*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        MoveProbedSegmentStart(info, lead, -1);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buf || !GST_BUFFER_PTS_IS_VALID(buf))
        return GST_PAD_PROBE_OK;
    const auto pts = static_cast<int64_t>(GST_BUFFER_PTS(buf));
    if (pts >= lead)
        return GST_PAD_PROBE_REMOVE;  // the music has begun; later seeks land past the lead
    GstBuffer* cut = CutSound(pad, buf, lead, -1);
    GST_PAD_PROBE_INFO_DATA(info) = cut;
    return cut ? GST_PAD_PROBE_REMOVE : GST_PAD_PROBE_DROP;
}

}  // namespace

ItemBranch::ItemBranch(GstElement* graph, std::vector<GstElement*> elements, GstPad* input)
    : m_graph(graph), m_elements(std::move(elements)), m_input(input) {}

std::unique_ptr<ItemBranch> ItemBranch::Prepare(GstElement* graph, GstElement* renderer,
                                                const std::string& path, int64_t leadNs,
                                                GraphShared* shared,
                                                std::atomic<GstObject*>* watch) {
    if (!graph || !JoinOf(renderer))
        return nullptr;
    std::unique_ptr<ItemBranch> b(new ItemBranch());
    b->m_graph = graph;
    b->m_renderer = renderer;
    b->m_shared = shared;
    b->m_path = path;
    b->m_lead = leadNs > 0 ? leadNs : 0;
    b->m_bin = gst_bin_new(nullptr);
    // The decoder's preroll is the bin's own business: passed up, it would take the whole
    // graph back to paused (a break in the sound heard now) until the next item has
    // prerolled, and for good when it never does.
    g_object_set(b->m_bin, "async-handling", TRUE, nullptr);
    SourceBranch source = AddSourceBranch(b->m_bin, path, nullptr, nullptr);
    if (!source.decoder) {
        gst_object_unref(b->m_bin);
        return nullptr;
    }
    b->m_decoder = source.decoder;
    b->m_elements = {b->m_bin};
    // Only sound is decoded: the item is heard, never shown.
    GstCaps* raw = gst_caps_from_string("audio/x-raw(ANY)");
    g_object_set(source.decoder, "caps", raw, nullptr);
    gst_caps_unref(raw);
    g_signal_connect(source.decoder, "pad-added", G_CALLBACK(OnPadAdded), b.get());
    // Nor does the graph's own state reach it: it is started here, and stopped with the
    // graph or when it goes.
    gst_element_set_locked_state(b->m_bin, TRUE);
    gst_bin_add(GST_BIN(graph), b->m_bin);
    // Known before it starts: a file it cannot read fails at once.
    *watch = GST_OBJECT(b->m_bin);
    if (gst_element_set_state(b->m_bin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *watch = nullptr;
        b->Remove(renderer);
        return nullptr;
    }
    return b;
}

void ItemBranch::OnPadAdded(GstElement*, GstPad* pad, void* data) {
    auto* b = static_cast<ItemBranch*>(data);
    if (b->m_input.load())
        return;  // the renderer takes one stream of sound per item
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const bool sound =
        caps && gst_caps_get_size(caps) &&
        g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
    if (caps)
        gst_caps_unref(caps);
    if (!sound)
        return;
    GstPad* joinPad = nullptr;
    GstPad* input = AddJoinInput(b->m_renderer, &joinPad);
    if (!input)
        return;
    GstPad* out = gst_ghost_pad_new(nullptr, pad);
    gst_pad_set_active(out, TRUE);
    gst_element_add_pad(b->m_bin, out);
    if (b->m_lead > 0)
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          SkipLead, &b->m_lead, nullptr);
    // Known before any sound flows, so the switch to this input is recognised.
    b->m_shared->queuedJoinPad = joinPad;
    if (gst_pad_link(out, input) != GST_PAD_LINK_OK) {
        qWarning("engine: the next item's sound could not be joined");
        b->m_shared->queuedJoinPad = nullptr;
        // An input that never receives sound would hold the renderer at its end forever.
        RemoveJoinInput(b->m_renderer, input);
        return;
    }
    b->m_input = input;
}

void ItemBranch::Remove(GstElement* renderer) {
    for (GstElement* e : m_elements) {
        gst_element_set_locked_state(e, TRUE);
        gst_element_set_state(e, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(m_graph), e);
    }
    m_elements.clear();
    if (GstPad* input = m_input.exchange(nullptr))
        RemoveJoinInput(renderer, input);
}
