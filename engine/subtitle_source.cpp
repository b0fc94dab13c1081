#include "engine/subtitle_source.h"

#include <gst/gst.h>

#include <strings.h>
#include <QDebug>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <tuple>
#include <vector>

#include "engine/styled_subtitles.h"
#include "platform/file_system.h"

namespace fs = std::filesystem;

namespace {

// A script larger than this is not subtitles.
constexpr std::size_t kMaxStyledScript = 16u << 20;

// Timed-text kinds read beside a video, in the order they are preferred.
constexpr const char* kSideExtensions[] = {".srt", ".vtt", ".ass", ".ssa"};

int ExtensionRank(const std::string& ext) {
    for (size_t i = 0; i < std::size(kSideExtensions); ++i)
        if (strcasecmp(ext.c_str(), kSideExtensions[i]) == 0)
            return static_cast<int>(i);
    return -1;
}

GstElement* Make(const char* factory, const char* name = nullptr) {
    return gst_element_factory_make(factory, name);
}

// The text renderer hands a subtitle stream's group-done on through its picture output,
// which is serialized with the pictures: while a paused picture waits in the renderer that
// push waits for it, and a seek then waits for the push. Nothing downstream needs the mark.
GstPadProbeReturn DropGroupDone(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    return event && GST_EVENT_TYPE(event) == GST_EVENT_STREAM_GROUP_DONE ? GST_PAD_PROBE_DROP
                                                                         : GST_PAD_PROBE_OK;
}

// The side file's reader: the file itself, or for a SubStation Alpha script its events as
// SubRip text in a file in memory, closed with the reader.
GstElement* SideFileSource(const std::string& sideFile) {
    if (!IsStyledSubtitleFile(sideFile)) {
        GstElement* src = Make("filesrc", "subtitle-file");
        if (src)
            g_object_set(src, "location", sideFile.c_str(), nullptr);
        return src;
    }
    const WholeFile script = ReadWholeFile(sideFile, kMaxStyledScript);
    const std::string text = script.ok() ? SubRipFromStyled(script.bytes) : std::string();
    const int fd = text.empty() ? -1 : MemoryFileWith("subtitles", text);
    GstElement* src = fd < 0 ? nullptr : Make("fdsrc", "subtitle-file");
    if (!src) {
        CloseFile(fd);
        return nullptr;
    }
    g_object_set(src, "fd", fd, nullptr);
    g_object_set_data_full(G_OBJECT(src), "veltra-memory-file", GINT_TO_POINTER(fd + 1),
                           [](gpointer data) { CloseFile(GPOINTER_TO_INT(data) - 1); });
    return src;
}

}  // namespace

std::string SideSubtitleFor(const std::string& videoPath) {
    const fs::path video(videoPath);
    const std::string base = video.stem().string();
    if (base.empty())
        return {};
    std::error_code ec;
    fs::directory_iterator it(video.parent_path().empty() ? fs::path(".") : video.parent_path(),
                              ec);
    if (ec)
        return {};
    // (tagged with a language, extension rank, name): the plain "name.srt" comes first.
    struct Candidate {
        bool tagged;
        int rank;
        std::string name;
        fs::path path;
    };
    std::vector<Candidate> found;
    for (const fs::directory_entry& entry : it) {
        const fs::path& p = entry.path();
        const int rank = ExtensionRank(p.extension().string());
        if (rank < 0 || !entry.is_regular_file(ec))
            continue;
        const std::string stem = p.stem().string();
        if (stem == base)
            found.push_back({false, rank, p.filename().string(), p});
        else if (stem.size() > base.size() + 1 && stem.compare(0, base.size(), base) == 0 &&
                 stem[base.size()] == '.')
            found.push_back({true, rank, p.filename().string(), p});
    }
    if (found.empty())
        return {};
    auto best = std::min_element(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(a.tagged, a.rank, a.name) < std::tie(b.tagged, b.rank, b.name);
    });
    return best->path.string();
}

bool IsSubtitleMedia(const char* media) {
    if (!media)
        return false;
    for (const char* kind : {"text/x-raw", "application/x-ass", "application/x-ssa",
                             "subpicture/x-dvd", "subpicture/x-pgs", "subpicture/x-dvb"})
        if (std::strcmp(media, kind) == 0)
            return true;
    return false;
}

GstElement* AddSubtitleOverlay(GstBin* bin, const std::string& sideFile) {
    // The overlay picks the drawing for the stream it gets: libass for styled subtitles,
    // plain text otherwise; without a stream the picture passes untouched.
    GstElement* overlay = Make("subtitleoverlay", "subtitles");
    if (!overlay)
        return nullptr;
    // Plain text is drawn at this size on a picture 640 wide and in proportion to other
    // widths: about a fourteenth of the picture's height, as other players draw it.
    g_object_set(overlay, "font-desc", "Sans 24", nullptr);
    GstPad* input = gst_element_get_static_pad(overlay, "subtitle_sink");
    gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, DropGroupDone, nullptr, nullptr);
    if (!sideFile.empty()) {
        GstElement* src = SideFileSource(sideFile);
        GstElement* parse = Make("subparse", "subtitle-parser");
        if (!src || !parse) {
            for (GstElement* e : {src, parse, overlay})
                if (e)
                    gst_object_unref(e);
            gst_object_unref(input);
            return nullptr;
        }
        gst_bin_add_many(bin, overlay, src, parse, nullptr);
        GstPad* parsed = gst_element_get_static_pad(parse, "src");
        if (!gst_element_link(src, parse) || gst_pad_link(parsed, input) != GST_PAD_LINK_OK)
            qWarning("engine: cannot read the subtitles of %s", sideFile.c_str());
        gst_object_unref(parsed);
    } else {
        gst_bin_add(bin, overlay);
        gst_element_add_pad(GST_ELEMENT(bin), gst_ghost_pad_new(kSubtitlePadName, input));
    }
    gst_object_unref(input);
    return overlay;
}

namespace {

constexpr const char* kShownKey = "veltra-subtitles-shown";

// The overlay's own switch stops reading its stream, which then fails the graph: the
// drawing it has picked is switched instead (plain text has "silent", libass "enable").
void ApplyShown(GstElement* renderer, bool shown) {
    GObjectClass* klass = G_OBJECT_GET_CLASS(renderer);
    if (g_object_class_find_property(klass, "silent") &&
        g_object_class_find_property(klass, "wait-text"))
        g_object_set(renderer, "silent", shown ? FALSE : TRUE, nullptr);
    else if (g_object_class_find_property(klass, "enable"))
        g_object_set(renderer, "enable", shown ? TRUE : FALSE, nullptr);
}

void OnRendererAdded(GstBin*, GstBin*, GstElement* element, gpointer overlay) {
    ApplyShown(element, g_object_get_data(G_OBJECT(overlay), kShownKey) != nullptr);
}

}  // namespace

void ShowSubtitleOverlay(GstElement* overlay, bool shown) {
    if (!overlay)
        return;
    g_object_set_data(G_OBJECT(overlay), kShownKey, shown ? GINT_TO_POINTER(1) : nullptr);
    if (!g_object_get_data(G_OBJECT(overlay), "veltra-subtitles-watched")) {
        g_object_set_data(G_OBJECT(overlay), "veltra-subtitles-watched", GINT_TO_POINTER(1));
        g_signal_connect(overlay, "deep-element-added", G_CALLBACK(OnRendererAdded), overlay);
    }
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(overlay));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        ApplyShown(GST_ELEMENT(g_value_get_object(&item)), shown);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}
