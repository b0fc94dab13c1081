#include "engine/animated_picture.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <filesystem>

#include "engine/graph_routing.h"

namespace {

// Browsers show a frame whose delay is unset or 10 ms and below for 100 ms; files made
// for them count on it.
constexpr int kShortestDelayMs = 10;
constexpr int kUnsetDelayMs = 100;
// Decoded frames waiting in the source: enough to cover a decode, few enough to keep the
// memory of a large picture small.
constexpr guint64 kQueuedFrames = 2;

QString FileName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The frame on the whole picture, opaque: a frame smaller than the picture (or with
// transparent pixels) is laid onto black, as the viewer's area is.
QImage OnPicture(const QImage& image, QSize size) {
    if (image.size() == size && !image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image);
    return canvas;
}

void DeleteImage(gpointer image) {
    delete static_cast<QImage*>(image);
}

// On the source's streaming thread, each time it has handed on what it held.
void NeedData(GstAppSrc* src, guint, gpointer data) {
    AnimatedPicture::Frame frame;
    if (!static_cast<AnimatedPicture*>(data)->Next(&frame)) {
        gst_app_src_end_of_stream(src);
        return;
    }
    // The buffer holds the image itself; the image goes when the buffer does.
    auto* held = new QImage(std::move(frame.image));
    const auto bytes = static_cast<gsize>(held->sizeInBytes());
    GstBuffer* buffer =
        gst_buffer_new_wrapped_full(GST_MEMORY_FLAG_READONLY, const_cast<uchar*>(held->constBits()),
                                    bytes, 0, bytes, held, DeleteImage);
    GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(frame.ptsNs);
    GST_BUFFER_DURATION(buffer) = static_cast<GstClockTime>(frame.durationNs);
    gst_app_src_push_buffer(src, buffer);
}

void DeletePicture(gpointer picture) {
    delete static_cast<AnimatedPicture*>(picture);
}

}  // namespace

AnimatedPicture::AnimatedPicture(std::string path, QSize size)
    : m_path(std::move(path)), m_size(size) {}

AnimatedPicture::~AnimatedPicture() = default;

bool AnimatedPicture::Next(Frame* frame) {
    // At most one new pass per frame: a file that yields nothing from its start is done.
    for (int pass = 0; pass < 2; ++pass) {
        if (!m_pReader) {
            m_pReader = std::make_unique<QImageReader>(FileName(m_path), "gif");
            m_framesInPass = 0;
        }
        QImage image = m_pReader->read();
        if (!image.isNull()) {
            int delay = m_pReader->nextImageDelay();
            if (delay <= kShortestDelayMs)
                delay = kUnsetDelayMs;
            ++m_framesInPass;
            frame->image = OnPicture(image, m_size);
            frame->ptsNs = m_nextNs;
            frame->durationNs = static_cast<int64_t>(delay) * GST_MSECOND;
            m_nextNs += frame->durationNs;
            return true;
        }
        // The end of the file, or a frame damaged past reading: the animation starts over,
        // as a browser shows what it could read of it.
        const bool yieldedNothing = m_framesInPass == 0;
        m_pReader.reset();
        if (yieldedNothing)
            return false;
    }
    return false;
}

bool IsAnimatedPicture(const std::string& path, QSize* size) {
    // Only a regular file is read ahead of the graph: a pipe would be drained here.
    std::error_code ec;
    if (!HasExtension(path, {".gif"}) || !std::filesystem::is_regular_file(path, ec))
        return false;
    QImageReader reader(FileName(path), "gif");
    // Counting the frames walks the file's blocks without decoding any of them.
    if (!reader.canRead() || !reader.supportsAnimation() || reader.imageCount() < 2)
        return false;
    const QSize s = reader.size();
    if (s.isEmpty())
        return false;
    if (size)
        *size = s;
    return true;
}

SourceBranch AddAnimatedPicture(GstElement* bin, const std::string& path, QSize size,
                                const char* sourceName, const char* decoderName) {
    SourceBranch branch;
    GstElement* src = gst_element_factory_make("appsrc", sourceName);
    GstElement* decode = gst_element_factory_make("decodebin", decoderName);
    if (!src || !decode) {
        for (GstElement* e : {src, decode})
            if (e)
                gst_object_unref(e);
        return branch;
    }
    // Frames come as often as their delays say: no rate of their own.
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
                                        G_TYPE_INT, size.width(), "height", G_TYPE_INT,
                                        size.height(), "framerate", GST_TYPE_FRACTION, 0, 1,
                                        "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(src, "caps", caps, "format", GST_FORMAT_TIME, "max-buffers", kQueuedFrames,
                 nullptr);
    gst_caps_unref(caps);
    gst_app_src_set_stream_type(GST_APP_SRC(src), GST_APP_STREAM_TYPE_STREAM);
    GstAppSrcCallbacks callbacks = {};
    callbacks.need_data = NeedData;
    // The source owns the frames' reader: it goes with the source, after its thread.
    gst_app_src_set_callbacks(GST_APP_SRC(src), &callbacks, new AnimatedPicture(path, size),
                              DeletePicture);
    gst_bin_add_many(GST_BIN(bin), src, decode, nullptr);
    gst_element_link(src, decode);
    branch.elements = {src, decode};
    branch.decoder = decode;
    return branch;
}
