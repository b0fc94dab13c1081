#include "engine/source_branch.h"

#include <gst/gst.h>

#include <filesystem>

#include "engine/graph_routing.h"

SourceBranch AddSourceBranch(GstElement* bin, const std::string& path, const char* sourceName,
                             const char* decoderName) {
    SourceBranch branch;
    GstElement* src = gst_element_factory_make("filesrc", sourceName);
    GstElement* decode = gst_element_factory_make("decodebin", decoderName);
    if (!src || !decode) {
        if (src)
            gst_object_unref(src);
        if (decode)
            gst_object_unref(decode);
        return branch;
    }
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(bin), src, decode, nullptr);
    branch.elements.push_back(src);
    // Bitmap and TIFF decoding have no parser in front of them: the decoder must see the
    // whole picture in one buffer, so the file is pushed in one block instead of pulled in
    // small ones. AIFF is pushed as well: pulling, its parser sends before the decoder has
    // linked its output, and the file fails to open about every other time.
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    const bool whole = !ec && size > 0 && size <= 64u * 1024 * 1024 &&
                       HasExtension(path, {".bmp", ".tif", ".tiff"});
    GstElement* push = whole || HasExtension(path, {".aif", ".aiff"})
                           ? gst_element_factory_make("queue", nullptr)
                           : nullptr;
    if (push) {
        if (whole)
            g_object_set(src, "blocksize", static_cast<guint>(size), nullptr);
        gst_bin_add(GST_BIN(bin), push);
        gst_element_link_many(src, push, decode, nullptr);
        branch.elements.push_back(push);
    } else {
        gst_element_link(src, decode);
    }
    branch.elements.push_back(decode);
    branch.decoder = decode;
    return branch;
}
