#include "playlist/tag_reader.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <QMetaObject>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "playlist/path_helpers.h"

namespace {

// A file that makes the discoverer wait longer than this (a stalled network mount, a
// demuxer that loops) is given up with whatever was learned.
constexpr GstClockTime kDiscoverTimeout = 5 * GST_SECOND;
// Larger embedded pictures are not worth a cache file.
constexpr gsize kMaxArtBytes = 16u << 20;

// Pictures that many players and rippers leave beside an album's files.
constexpr const char* kFolderArt[] = {"cover.jpg",  "folder.jpg", "Cover.jpg",
                                      "Folder.jpg", "cover.png",  "folder.png"};

std::string TakeString(gchar* text) {
    std::string s = text ? text : "";
    g_free(text);
    return s;
}

std::string FirstString(const GstTagList* tags, const char* tag) {
    gchar* value = nullptr;
    if (!gst_tag_list_get_string_index(tags, tag, 0, &value))
        return {};
    return TakeString(value);
}

std::vector<std::string> AllStrings(const GstTagList* tags, const char* tag) {
    std::vector<std::string> values;
    const guint n = gst_tag_list_get_tag_size(tags, tag);
    for (guint i = 0; i < n; ++i) {
        gchar* value = nullptr;
        if (gst_tag_list_get_string_index(tags, tag, i, &value)) {
            std::string s = TakeString(value);
            if (!s.empty())
                values.push_back(std::move(s));
        }
    }
    return values;
}

// The tags of every stream and container of the file, the first value of a tag winning.
GstTagList* MergedTags(GstDiscovererInfo* info) {
    GstTagList* all = gst_tag_list_new_empty();
    GList* streams = gst_discoverer_info_get_stream_list(info);
    for (GList* l = streams; l; l = l->next) {
        auto* stream = static_cast<GstDiscovererStreamInfo*>(l->data);
        if (const GstTagList* tags = gst_discoverer_stream_info_get_tags(stream))
            gst_tag_list_insert(all, tags, GST_TAG_MERGE_KEEP);
    }
    gst_discoverer_stream_info_list_free(streams);
    if (GstDiscovererStreamInfo* root = gst_discoverer_info_get_stream_info(info)) {
        if (GST_IS_DISCOVERER_CONTAINER_INFO(root)) {
            if (const GstTagList* tags =
                    gst_discoverer_container_info_get_tags(GST_DISCOVERER_CONTAINER_INFO(root)))
                gst_tag_list_insert(all, tags, GST_TAG_MERGE_KEEP);
        }
        gst_discoverer_stream_info_unref(root);
    }
    return all;
}

// GstTagImageType's value for the front cover, read from the sample's "image-type" field
// as a plain enum so that only the tag names, not the tag library, are needed.
constexpr int kFrontCover = 1;

bool IsFrontCover(GstSample* sample) {
    const GstStructure* info = gst_sample_get_info(sample);
    const GValue* type = info ? gst_structure_get_value(info, "image-type") : nullptr;
    return type && G_VALUE_HOLDS_ENUM(type) && g_value_get_enum(type) == kFrontCover;
}

// The front cover when the file marks one, else its first picture.
GstSample* CoverSample(const GstTagList* tags) {
    for (const char* tag : {GST_TAG_IMAGE, GST_TAG_PREVIEW_IMAGE}) {
        const guint n = gst_tag_list_get_tag_size(tags, tag);
        GstSample* first = nullptr;
        for (guint i = 0; i < n; ++i) {
            GstSample* sample = nullptr;
            if (!gst_tag_list_get_sample_index(tags, tag, i, &sample))
                continue;
            if (IsFrontCover(sample)) {
                if (first)
                    gst_sample_unref(first);
                return sample;
            }
            if (!first)
                first = sample;
            else
                gst_sample_unref(sample);
        }
        if (first)
            return first;
    }
    return nullptr;
}

// By the bytes themselves: tags often say "image/jpeg" for anything.
const char* PictureExtension(const std::uint8_t* data, gsize size) {
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ".jpg";
    if (size >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G')
        return ".png";
    return nullptr;
}

std::string HexHash(const std::uint8_t* data, gsize size) {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (gsize i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

bool IsRegularFile(const std::string& path) {
    return KindOf(path) == PathKind::File;
}

// The picture is stored under its content's hash, so the tracks of one album share one
// file and it is written only once.
std::string SaveArt(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const std::string folder = TagReader::ArtFolder();
    if (!buffer || folder.empty())
        return {};
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return {};
    std::string saved;
    const char* ext = PictureExtension(map.data, map.size);
    if (ext && map.size <= kMaxArtBytes) {
        const std::string path = folder + "/" + HexHash(map.data, map.size) + ext;
        if (IsRegularFile(path)) {
            saved = path;
        } else {
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            AtomicFile file;
            if (file.Open(path, AtomicFile::Commit::NoReplace) && file.Write(map.data, map.size) &&
                file.Finish())
                saved = path;
            else if (file.Error() == EEXIST)  // another copy of the program was quicker
                saved = path;
        }
    }
    gst_buffer_unmap(buffer, &map);
    return saved;
}

std::string ArtBeside(const std::string& path) {
    const std::string folder = FolderOf(path);
    for (const char* name : kFolderArt) {
        const std::string candidate = folder + "/" + name;
        if (IsRegularFile(candidate))
            return candidate;
    }
    return {};
}

MediaTags Discover(GstDiscoverer* discoverer, const std::string& path) {
    MediaTags result;
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    g_clear_error(&error);
    if (!uri)
        return result;
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    g_free(uri);
    g_clear_error(&error);
    if (info) {
        const GstClockTime duration = gst_discoverer_info_get_duration(info);
        if (GST_CLOCK_TIME_IS_VALID(duration))
            result.lengthMs = static_cast<long long>(duration / GST_MSECOND);
        GstTagList* tags = MergedTags(info);
        result.title = FirstString(tags, GST_TAG_TITLE);
        result.artists = AllStrings(tags, GST_TAG_ARTIST);
        result.album = FirstString(tags, GST_TAG_ALBUM);
        if (GstSample* cover = CoverSample(tags)) {
            result.artPath = SaveArt(cover);
            gst_sample_unref(cover);
        }
        gst_tag_list_unref(tags);
        gst_discoverer_info_unref(info);
    }
    if (result.artPath.empty())
        result.artPath = ArtBeside(path);
    return result;
}

}  // namespace

TagReader::TagReader(QObject* parent) : QObject(parent) {}

TagReader::~TagReader() {
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_bStopping = true;
        m_Queue.clear();
    }
    m_Wake.notify_all();
    if (m_Worker.joinable())
        m_Worker.join();
}

bool TagReader::Request(const std::string& path) {
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        if (m_Queue.size() >= kQueueLimit)
            return false;
        m_Queue.push_back(path);
        // Started on the first request: a list that never gets a row costs neither the
        // thread nor GStreamer's start.
        if (!m_Worker.joinable()) {
            gst_init_check(nullptr, nullptr, nullptr);
            m_Worker = std::thread([this] { Work(); });
        }
    }
    m_Wake.notify_one();
    return true;
}

std::size_t TagReader::CancelPending() {
    std::lock_guard<std::mutex> hold(m_Lock);
    const std::size_t dropped = m_Queue.size();
    m_Queue.clear();
    return dropped;
}

MediaTags TagReader::ReadFile(const std::string& path) {
    gst_init_check(nullptr, nullptr, nullptr);
    GstDiscoverer* discoverer = gst_discoverer_new(kDiscoverTimeout, nullptr);
    if (!discoverer) {
        MediaTags tags;
        tags.artPath = ArtBeside(path);
        return tags;
    }
    MediaTags tags = Discover(discoverer, path);
    g_object_unref(discoverer);
    return tags;
}

std::string TagReader::ArtFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return std::string(cache) + "/veltra/art";
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return std::string(home) + "/.cache/veltra/art";
    return {};
}

void TagReader::Work() {
    GstDiscoverer* discoverer = gst_discoverer_new(kDiscoverTimeout, nullptr);
    for (;;) {
        std::string path;
        {
            std::unique_lock<std::mutex> hold(m_Lock);
            m_Wake.wait(hold, [this] { return m_bStopping || !m_Queue.empty(); });
            if (m_bStopping)
                break;
            path = std::move(m_Queue.front());
            m_Queue.pop_front();
        }
        MediaTags tags = discoverer ? Discover(discoverer, path) : MediaTags{};
        // Queued to this object: events still waiting when it is destroyed are dropped
        // with it, and the destructor joins this thread before that.
        QMetaObject::invokeMethod(
            this, [this, path, tags] { emit Read(path, tags); }, Qt::QueuedConnection);
    }
    if (discoverer)
        g_object_unref(discoverer);
}
