// Makes libwavsink.so a GStreamer plugin as well, so gst-launch-1.0 and gst-inspect-1.0
// find "wavedestex" when GST_PLUGIN_PATH names the program folder.
#include <gst/gst.h>

#include "wavsink/wave_dest_ex.h"

static gboolean plugin_init(GstPlugin* plugin) {
    return gst_wave_dest_ex_register(plugin);
}

#define PACKAGE "veltra"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, wavsink,
                  "WAV destination with a volume factor", plugin_init, "1.1", "Proprietary",
                  "VELTRA", "https://veltra.invalid/")
