// Linked into every program and library of a sanitizer build. The leak checker then
// ignores memory that the system's libraries keep for the life of the process on purpose
// (GLib's quark and interned-string tables, GStreamer's registry, libav's codec tables, the
// D-Bus connection SDL opens, the device list GStreamer's PulseAudio plug-in keeps), so that what
// it reports is ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:g_intern_string\n"
           "leak:g_intern_static_string\n"
           "leak:g_quark_from_string\n"
           "leak:g_quark_from_static_string\n"
           "leak:gst_update_registry\n"
           "leak:_dl_init\n"
           "leak:libgstlibav.so\n"
           "leak:libavutil.so\n"
           "leak:libavcodec.so\n"
           "leak:libavformat.so\n"
           "leak:libdbus-1.so\n"
           "leak:libgstpulseaudio.so\n";
}

// Those libraries are built without frame pointers: only the slow unwinder sees through
// them to the function names the list above matches.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
