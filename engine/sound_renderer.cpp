#include "engine/sound_renderer.h"

#include <gst/gst.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

bool FakeAudio() {
    const char* v = std::getenv("VELTRA_FAKE_AUDIO");
    return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace

GstElement* MakeSoundRenderer() {
    GstElement* bin = gst_bin_new(kSoundRendererName);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* volume = gst_element_factory_make("volume", kSoundVolumeName);
    GstElement* sink = nullptr;
    if (FakeAudio()) {
        sink = gst_element_factory_make("fakesink", "audiosink");
        if (sink)
            g_object_set(sink, "sync", TRUE, nullptr);
    } else {
        sink = gst_element_factory_make("autoaudiosink", "audiosink");
    }
    if (!bin || !convert || !resample || !volume || !sink) {
        for (GstElement* e : {bin, convert, resample, volume, sink})
            if (e)
                gst_object_unref(e);
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), convert, resample, volume, sink, nullptr);
    gst_element_link_many(convert, resample, volume, sink, nullptr);
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    return bin;
}
