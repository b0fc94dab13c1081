#include "engine/sound_renderer.h"

#include <gst/gst.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/sound_output.h"

namespace {

constexpr const char* kJoinName = "join";

bool FakeAudio() {
    const char* v = std::getenv("VELTRA_FAKE_AUDIO");
    return v && *v && std::strcmp(v, "0") != 0;
}

// The sound server's own output, named so that the desktop's mixer shows the program and
// the item, and turned up and down there: its volume is the stream volume the mixer shows.
// Null when there is no such output or no server answers it.
GstElement* MakeServerSink() {
    GstElement* sink = gst_element_factory_make("pulsesink", kSoundVolumeName);
    if (!sink)
        return nullptr;
    GstStructure* props = gst_structure_new("props", "media.role", G_TYPE_STRING, "music",
                                            "application.name", G_TYPE_STRING, "VELTRA", nullptr);
    g_object_set(sink, "client-name", "VELTRA", "stream-properties", props, nullptr);
    gst_structure_free(props);
    // The environment names an output for this run alone; else the one chosen in the menu.
    const char* device = std::getenv("VELTRA_SOUND_DEVICE");
    const std::string chosen = device && *device ? device : CurrentSoundOutput().name;
    if (!chosen.empty())
        g_object_set(sink, "device", chosen.c_str(), nullptr);
    // Reaching the server once here keeps a machine without one on the plain output.
    if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(sink, GST_STATE_NULL);
        gst_object_unref(sink);
        return nullptr;
    }
    return sink;
}

constexpr char kTitleTagName[] = "title";

// The output names its stream after the title tag it receives; a file without one is
// named by its file name.
void SetTitleTag(GstElement* inject, const char* title) {
    std::string name = title && *title ? title : "VELTRA";
    if (const char* slash = std::strrchr(name.c_str(), '/'))
        name = slash + 1;
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    g_value_set_string(&value, name.c_str());
    gchar* quoted = gst_value_serialize(&value);
    g_value_unset(&value);
    const std::string tags = std::string("title=(string)") + (quoted ? quoted : "\"\"");
    g_free(quoted);
    // New tags are sent with the next buffer, so a stream that goes on is renamed too.
    g_object_set(inject, "tags", tags.c_str(), nullptr);
}

GstElement* MakeTitleTag(const char* title) {
    GstElement* inject = gst_element_factory_make("taginject", kTitleTagName);
    if (inject)
        SetTitleTag(inject, title);
    return inject;
}

}  // namespace

GstElement* MakeSoundRenderer(const char* title, bool joinable) {
    GstElement* bin = gst_bin_new(kSoundRendererName);
    GstElement* join = joinable ? gst_element_factory_make("concat", kJoinName) : nullptr;
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = FakeAudio() ? nullptr : MakeServerSink();
    GstElement* volume = nullptr;
    GstElement* tag = sink ? MakeTitleTag(title) : nullptr;
    if (!sink) {
        // Without the server's output the volume is applied to the samples instead.
        volume = gst_element_factory_make("volume", kSoundVolumeName);
        sink = gst_element_factory_make(FakeAudio() ? "fakesink" : "autoaudiosink", "audiosink");
        if (sink && FakeAudio())
            g_object_set(sink, "sync", TRUE, nullptr);
    }
    const bool volumeFound =
        volume || (sink && std::strcmp(GST_OBJECT_NAME(sink), kSoundVolumeName) == 0);
    if (!bin || !convert || !resample || !sink || !volumeFound || (joinable && !join)) {
        if (sink)
            gst_element_set_state(sink, GST_STATE_NULL);
        for (GstElement* e : {bin, join, convert, resample, volume, tag, sink})
            if (e)
                gst_object_unref(e);
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), convert, resample, sink, nullptr);
    if (volume) {
        gst_bin_add(GST_BIN(bin), volume);
        gst_element_link_many(convert, resample, volume, sink, nullptr);
    } else if (tag) {
        gst_bin_add(GST_BIN(bin), tag);
        gst_element_link_many(convert, resample, tag, sink, nullptr);
    } else {
        gst_element_link_many(convert, resample, sink, nullptr);
    }
    if (join) {
        gst_bin_add(GST_BIN(bin), join);
        gst_element_link(join, convert);
        GstPad* first = gst_element_request_pad_simple(join, "sink_%u");
        gst_element_add_pad(bin, gst_ghost_pad_new("sink", first));
        gst_object_unref(first);
        return bin;
    }
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    return bin;
}

GstElement* JoinOf(GstElement* renderer) {
    if (!renderer || !GST_IS_BIN(renderer))
        return nullptr;
    GstElement* join = gst_bin_get_by_name(GST_BIN(renderer), kJoinName);
    if (join)
        gst_object_unref(join);  // the bin keeps it
    return join;
}

GstPad* AddJoinInput(GstElement* renderer, GstPad** joinPad) {
    GstElement* join = JoinOf(renderer);
    if (!join)
        return nullptr;
    GstPad* inner = gst_element_request_pad_simple(join, "sink_%u");
    if (!inner)
        return nullptr;
    GstPad* input = gst_ghost_pad_new(nullptr, inner);
    gst_pad_set_active(input, TRUE);
    gst_element_add_pad(renderer, input);
    if (joinPad)
        *joinPad = inner;
    gst_object_unref(inner);  // the joining element keeps its request pad
    return input;
}

void RemoveJoinInput(GstElement* renderer, GstPad* input) {
    GstElement* join = JoinOf(renderer);
    if (!join || !input)
        return;
    GstPad* inner = gst_ghost_pad_get_target(GST_GHOST_PAD(input));
    gst_pad_set_active(input, FALSE);
    gst_element_remove_pad(renderer, input);
    if (inner) {
        gst_element_release_request_pad(join, inner);
        gst_object_unref(inner);
    }
}

void RetitleSoundRenderer(GstElement* renderer, const char* title) {
    if (!renderer || !GST_IS_BIN(renderer))
        return;
    if (GstElement* inject = gst_bin_get_by_name(GST_BIN(renderer), kTitleTagName)) {
        SetTitleTag(inject, title);
        gst_object_unref(inject);
    }
}
