#include "tests/support/reference_media.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <unistd.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

namespace fs = std::filesystem;

namespace refmedia {
namespace {

constexpr int kGridColumns = 4;
constexpr int kGridRows = 3;
constexpr int kNumberBits = kGridColumns * kGridRows - 1;  // the last block is parity
constexpr uint8_t kDark = 48;
constexpr uint8_t kLight = 208;
// The sweep rises from 300 Hz by 2000 Hz a second for 1.5 s, then starts again; a period
// holds a whole number of cycles, so the wave runs on without a jump.
constexpr double kSweepPeriod = 1.5;
constexpr int64_t kSweepSamples = static_cast<int64_t>(kSweepPeriod * kSoundRate);

void EnsureGst() {
    static bool done = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
}

std::string Ext(const std::string& name) {
    auto dot = name.rfind('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A value in a pipeline description.
std::string ParseQuote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

int Parity(int number) {
    return __builtin_popcount(static_cast<unsigned>(number)) & 1;
}

void DrawNumber(uint8_t* y, int width, int height, int stride, int number) {
    int bits = (number & ((1 << kNumberBits) - 1)) | Parity(number) << kNumberBits;
    for (int row = 0; row < height; ++row) {
        int r = row * kGridRows / height;
        for (int x = 0; x < width; ++x) {
            int c = x * kGridColumns / width;
            y[row * stride + x] = (bits >> (r * kGridColumns + c)) & 1 ? kLight : kDark;
        }
    }
}

GstBuffer* SoundBuffer(int64_t firstSample, int count) {
    GstBuffer* buf = gst_buffer_new_allocate(nullptr, static_cast<gsize>(count) * 4, nullptr);
    GstMapInfo map;
    gst_buffer_map(buf, &map, GST_MAP_WRITE);
    auto* out = reinterpret_cast<int16_t*>(map.data);
    for (int i = 0; i < count; ++i) {
        auto s = static_cast<int16_t>(std::lround(SweepSample(firstSample + i) * 32767.0));
        out[2 * i] = s;
        out[2 * i + 1] = s;
    }
    gst_buffer_unmap(buf, &map);
    GST_BUFFER_PTS(buf) = gst_util_uint64_scale(firstSample, GST_SECOND, kSoundRate);
    GST_BUFFER_DURATION(buf) = gst_util_uint64_scale(count, GST_SECOND, kSoundRate);
    return buf;
}

// Runs a pipeline whose appsrc elements are named "v" (numbered frames) and "a" (the
// sweep), feeding them alternately until `seconds` are in.
bool Produce(const std::string& description, double seconds, int width, int height) {
    EnsureGst();
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &err);
    if (!pipeline || err) {
        if (err) {
            std::fprintf(stderr, "reference media: %s\n", err->message);
            g_error_free(err);
        }
        if (pipeline)
            gst_object_unref(pipeline);
        return false;
    }
    GstElement* v = gst_bin_get_by_name(GST_BIN(pipeline), "v");
    GstElement* a = gst_bin_get_by_name(GST_BIN(pipeline), "a");
    if (v) {
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "width",
                                            G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                            "framerate", GST_TYPE_FRACTION, kFrameRate, 1,
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        g_object_set(v, "caps", caps, "format", GST_FORMAT_TIME, "block", TRUE, "max-bytes",
                     guint64(8) << 20, nullptr);
        gst_caps_unref(caps);
    }
    if (a) {
        GstCaps* caps = gst_caps_new_simple(
            "audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
            "rate", G_TYPE_INT, kSoundRate, "channels", G_TYPE_INT, 2, "channel-mask",
            GST_TYPE_BITMASK, guint64(0x3), nullptr);
        g_object_set(a, "caps", caps, "format", GST_FORMAT_TIME, "block", TRUE, "max-bytes",
                     guint64(8) << 20, nullptr);
        gst_caps_unref(caps);
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    auto report = [](GstMessage* msg) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        std::fprintf(stderr, "reference media: %s\n", e ? e->message : "error");
        if (e)
            g_error_free(e);
    };
    auto finish = [&](bool ok) {
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        if (v)
            gst_object_unref(v);
        if (a)
            gst_object_unref(a);
        gst_object_unref(pipeline);
        return ok;
    };
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        if (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            report(msg);
            gst_message_unref(msg);
        }
        return finish(false);
    }
    const int frames = static_cast<int>(std::lround(seconds * kFrameRate));
    const int perFrame = kSoundRate / kFrameRate;
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, width, height);
    bool ok = true;
    for (int i = 0; i < frames && ok; ++i) {
        if (v) {
            GstBuffer* buf = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
            GstVideoFrame frame;
            gst_video_frame_map(&frame, &info, buf, GST_MAP_WRITE);
            DrawNumber(static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)), width, height,
                       GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), i);
            for (int p = 1; p < 3; ++p)
                std::memset(GST_VIDEO_FRAME_PLANE_DATA(&frame, p), 128,
                            static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p)) *
                                GST_VIDEO_FRAME_COMP_HEIGHT(&frame, p));
            gst_video_frame_unmap(&frame);
            GST_BUFFER_PTS(buf) = gst_util_uint64_scale(i, GST_SECOND, kFrameRate);
            GST_BUFFER_DURATION(buf) = GST_SECOND / kFrameRate;
            ok = gst_app_src_push_buffer(GST_APP_SRC(v), buf) == GST_FLOW_OK;
        }
        if (a && ok)
            ok = gst_app_src_push_buffer(
                     GST_APP_SRC(a), SoundBuffer(static_cast<int64_t>(i) * perFrame, perFrame)) ==
                 GST_FLOW_OK;
    }
    if (v)
        gst_app_src_end_of_stream(GST_APP_SRC(v));
    if (a)
        gst_app_src_end_of_stream(GST_APP_SRC(a));
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 120 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ok = ok && msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR)
        report(msg);
    if (msg)
        gst_message_unref(msg);
    return finish(ok);
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Runs a command with its standard output and error in files; the exit code.
int Capture(const std::string& command, std::string* out, std::string* err) {
    char outName[] = "/tmp/veltra-probe-out-XXXXXX";
    char errName[] = "/tmp/veltra-probe-err-XXXXXX";
    int o = mkstemp(outName), e = mkstemp(errName);
    if (o >= 0)
        close(o);
    if (e >= 0)
        close(e);
    int rc = std::system((command + " </dev/null >" + outName + " 2>" + errName).c_str());
    if (out)
        *out = ReadAll(outName);
    if (err)
        *err = ReadAll(errName);
    std::remove(outName);
    std::remove(errName);
    return rc;
}

struct DecodeState {
    Decoded* result;
    GstElement* pipeline;
    bool wantSound;
    std::mutex lock;
};

GstFlowReturn TakeFrame(GstAppSink* sink, gpointer data) {
    auto* state = static_cast<DecodeState*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstVideoInfo info;
    GstBuffer* buf = gst_sample_get_buffer(sample);
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        GstVideoFrame frame;
        if (gst_video_frame_map(&frame, &info, buf, GST_MAP_READ)) {
            int n =
                FrameNumberOf(static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                              GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                              GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
            gst_video_frame_unmap(&frame);
            std::lock_guard<std::mutex> lock(state->lock);
            Decoded& r = *state->result;
            r.width = GST_VIDEO_INFO_WIDTH(&info);
            r.height = GST_VIDEO_INFO_HEIGHT(&info);
            r.fpsNum = GST_VIDEO_INFO_FPS_N(&info);
            r.fpsDen = GST_VIDEO_INFO_FPS_D(&info);
            r.frames.push_back(n);
            r.framePts.push_back(GST_BUFFER_PTS_IS_VALID(buf) ? int64_t(GST_BUFFER_PTS(buf)) : -1);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstFlowReturn TakeSound(GstAppSink* sink, gpointer data) {
    auto* state = static_cast<DecodeState*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstAudioInfo info;
    GstBuffer* buf = gst_sample_get_buffer(sample);
    if (gst_audio_info_from_caps(&info, gst_sample_get_caps(sample))) {
        GstMapInfo map;
        if (gst_buffer_map(buf, &map, GST_MAP_READ)) {
            std::lock_guard<std::mutex> lock(state->lock);
            Decoded& r = *state->result;
            r.rate = GST_AUDIO_INFO_RATE(&info);
            r.channels = GST_AUDIO_INFO_CHANNELS(&info);
            if (r.firstAudioPts < 0 && GST_BUFFER_PTS_IS_VALID(buf))
                r.firstAudioPts = static_cast<int64_t>(GST_BUFFER_PTS(buf));
            const auto* f = reinterpret_cast<const float*>(map.data);
            size_t frames = map.size / sizeof(float) / std::max(1, r.channels);
            for (size_t i = 0; i < frames; ++i) r.sound.push_back(f[i * r.channels]);
            gst_buffer_unmap(buf, &map);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void OnDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* state = static_cast<DecodeState*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    std::string media = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    gst_caps_unref(caps);
    bool video = media.rfind("video/", 0) == 0;
    bool audio = media.rfind("audio/", 0) == 0;
    {
        std::lock_guard<std::mutex> lock(state->lock);
        if (video)
            state->result->hasVideo = true;
        if (audio)
            state->result->hasAudio = true;
    }
    GstElement* sink = nullptr;
    GstElement* convert = nullptr;
    if (video || (audio && state->wantSound)) {
        convert = gst_element_factory_make(video ? "videoconvert" : "audioconvert", nullptr);
        sink = gst_element_factory_make("appsink", nullptr);
        GstCaps* want = gst_caps_from_string(video ? "video/x-raw,format=GRAY8"
                                                   : "audio/x-raw,format=F32LE,layout=interleaved");
        g_object_set(sink, "caps", want, "sync", FALSE, nullptr);
        gst_caps_unref(want);
        GstAppSinkCallbacks cb = {};
        cb.new_sample = video ? TakeFrame : TakeSound;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &cb, state, nullptr);
    } else {
        sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", FALSE, nullptr);
    }
    gst_bin_add(GST_BIN(state->pipeline), sink);
    if (convert) {
        gst_bin_add(GST_BIN(state->pipeline), convert);
        gst_element_link(convert, sink);
        gst_element_sync_state_with_parent(convert);
    }
    gst_element_sync_state_with_parent(sink);
    GstPad* in = gst_element_get_static_pad(convert ? convert : sink, "sink");
    gst_pad_link(pad, in);
    gst_object_unref(in);
}

// Encodes numbered frames of width x height (stored turned when sideways) and the known
// sound with ffmpeg into out.
bool FeedFfmpeg(const std::string& out, const std::string& codecs, double seconds, int width,
                int height, bool busy, bool sideways);

}  // namespace

double SweepSample(int64_t n) {
    double t = static_cast<double>(n % kSweepSamples) / kSoundRate;
    double cycles = 300.0 * t + 1000.0 * t * t;
    return kSweepLevel * std::sin(2.0 * M_PI * (cycles - std::floor(cycles)));
}

std::string NumberedVideo(const std::string& dir, const std::string& name, double seconds,
                          int width, int height, bool busy) {
    std::string out = (fs::path(dir) / name).string();
    std::string ext = Ext(name);
    if (ext == "avi") {
        std::string p = "avimux name=m ! filesink location=" + ParseQuote(out) +
                        " appsrc name=v ! videoconvert ! jpegenc quality=90 ! queue "
                        "max-size-time=0 max-size-bytes=0 max-size-buffers=0 ! m. "
                        "appsrc name=a ! audioconvert ! audio/x-raw,format=S16LE ! queue "
                        "max-size-time=0 max-size-bytes=0 max-size-buffers=0 ! m.";
        return Produce(p, seconds, width, height) ? out : std::string();
    }
    // MPEG and Windows Media files come from ffmpeg, as most such files in the wild do:
    // GStreamer's own program-stream and ASF muxers write files that its demuxers read
    // only in part (the first half second, or the pictures, go missing).
    const char* codecs = nullptr;
    if (ext == "mpg")
        codecs = "-c:v mpeg1video -b:v 2500k -c:a mp2 -b:a 192k -f mpeg";
    else if (ext == "vob")
        codecs = "-c:v mpeg2video -b:v 4000k -c:a mp2 -b:a 192k -f vob";
    else if (ext == "wmv" || ext == "asf")
        codecs = "-c:v wmv2 -b:v 3000k -c:a wmav2 -b:a 128k -f asf";
    else if (ext == "mp4")
        codecs =
            "-c:v libx264 -profile:v high -bf 2 -g 50 -pix_fmt yuv420p -c:a aac -b:a 192k "
            "-f mp4";
    if (!codecs || !HaveFfmpeg())
        return {};
    return FeedFfmpeg(out, codecs, seconds, width, height, busy, false) ? out : std::string();
}

namespace {

bool FeedFfmpeg(const std::string& out, const std::string& codecs, double seconds, int width,
                int height, bool busy, bool sideways) {
    std::string sound = out + ".sound.wav";
    if (!Produce("appsrc name=a ! audioconvert ! wavenc ! filesink location=" + ParseQuote(sound),
                 seconds, 0, 0))
        return false;
    std::ostringstream command;
    command << "ffmpeg -v error -y -nostdin -f rawvideo -pix_fmt yuv420p -s "
            << (sideways ? height : width) << "x" << (sideways ? width : height) << " -r "
            << kFrameRate << " -i - -i " << Quote(sound) << " " << codecs << " " << Quote(out);
    FILE* pipe = popen(command.str().c_str(), "w");
    bool ok = pipe != nullptr;
    const int frames = static_cast<int>(std::lround(seconds * kFrameRate));
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3 / 2, 128);
    std::vector<uint8_t> stored(picture.size(), 128);
    uint32_t noise = 12345;
    for (int i = 0; i < frames && ok; ++i) {
        DrawNumber(picture.data(), width, height, width, i);
        if (busy) {
            // Grain that no encoder can predict, as in camera pictures: the files get the
            // bit rate of real ones while each block keeps its mean.
            for (int p = 0; p < width * height; ++p) {
                noise = noise * 1664525u + 1013904223u;
                picture[p] = static_cast<uint8_t>(picture[p] + static_cast<int>(noise >> 27) - 16);
            }
        }
        if (sideways) {
            // Stored turned a quarter clockwise, as a phone's sensor sees a picture held
            // upright; the stream's turn brings it back.
            for (int sy = 0; sy < width; ++sy)
                for (int sx = 0; sx < height; ++sx)
                    stored[sy * height + sx] = picture[(height - 1 - sx) * width + sy];
            std::memcpy(stored.data() + width * height, picture.data() + width * height,
                        picture.size() - static_cast<size_t>(width) * height);
            ok = std::fwrite(stored.data(), 1, stored.size(), pipe) == stored.size();
        } else {
            ok = std::fwrite(picture.data(), 1, picture.size(), pipe) == picture.size();
        }
    }
    if (pipe)
        ok = pclose(pipe) == 0 && ok;
    std::remove(sound.c_str());
    return ok;
}

}  // namespace

std::string PhoneVideo(const std::string& dir, const std::string& name, double seconds, int width,
                       int height) {
    if (!HaveFfmpeg())
        return {};
    std::string out = (fs::path(dir) / name).string();
    std::string plain = out + ".plain.mp4";
    bool ok = FeedFfmpeg(plain, "-c:v libx264 -pix_fmt yuv420p -g 50 -c:a aac -b:a 192k -f mp4",
                         seconds, width, height, false, true);
    // ffmpeg stores the turn only when it copies the stream.
    ok = ok && Capture("ffmpeg -v error -y -nostdin -i " + Quote(plain) +
                           " -c copy -metadata:s:v:0 rotate=90 -f mp4 " + Quote(out),
                       nullptr, nullptr) == 0;
    std::remove(plain.c_str());
    return ok ? out : std::string();
}

std::string KnownSound(const std::string& dir, const std::string& name, double seconds) {
    std::string out = (fs::path(dir) / name).string();
    std::string ext = Ext(name);
    std::string chain;
    if (ext == "wav")
        chain = "wavenc";
    else if (ext == "mp3")
        chain = "lamemp3enc target=bitrate cbr=true bitrate=192";
    else if (ext == "wma")
        chain = "avenc_wmav2 bitrate=128000 ! asfmux";
    else if (ext == "aac")
        chain = "avenc_aac bitrate=192000 ! aacparse ! audio/mpeg,stream-format=adts";
    else
        return {};
    std::string p =
        "appsrc name=a ! audioconvert ! " + chain + " ! filesink location=" + ParseQuote(out);
    return Produce(p, seconds, 0, 0) ? out : std::string();
}

int FrameNumberOf(const uint8_t* luma, int width, int height, int stride) {
    if (!luma || width < kGridColumns * 4 || height < kGridRows * 4)
        return -1;
    int bits = 0;
    for (int r = 0; r < kGridRows; ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            // The middle of each block only: scaling, borders and codec ringing stay out.
            int x0 = (c * 10 + 3) * width / (kGridColumns * 10);
            int x1 = (c * 10 + 7) * width / (kGridColumns * 10);
            int y0 = (r * 10 + 3) * height / (kGridRows * 10);
            int y1 = (r * 10 + 7) * height / (kGridRows * 10);
            long sum = 0, count = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x, ++count) sum += luma[y * stride + x];
            double mean = count ? double(sum) / count : 0;
            if (mean > 88 && mean < 168)
                return -1;  // neither dark nor light: not one of our pictures
            if (mean >= 128)
                bits |= 1 << (r * kGridColumns + c);
        }
    }
    int number = bits & ((1 << kNumberBits) - 1);
    if (Parity(number) != (bits >> kNumberBits))
        return -1;
    return number;
}

Decoded Decode(const std::string& path, bool wantSound) {
    EnsureGst();
    Decoded r;
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* src = gst_element_factory_make("filesrc", nullptr);
    GstElement* decode = gst_element_factory_make("decodebin", nullptr);
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), src, decode, nullptr);
    gst_element_link(src, decode);
    DecodeState state{&r, pipeline, wantSound, {}};
    g_signal_connect(decode, "pad-added", G_CALLBACK(OnDecodedPad), &state);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 120 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    r.ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        r.error = e ? e->message : "error";
        if (e)
            g_error_free(e);
    } else if (!msg) {
        r.error = "time-out";
    }
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return r;
}

bool HaveFfmpeg() {
    static bool have = std::system("ffprobe -version >/dev/null 2>&1") == 0 &&
                       std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    return have;
}

Probed Probe(const std::string& path) {
    Probed p;
    if (!HaveFfmpeg())
        return p;
    std::string out, err;
    int rc = Capture(
        "ffprobe -v warning -hide_banner -show_entries "
        "format=duration:stream=codec_type,codec_name,sample_fmt:stream_side_data=rotation -of "
        "flat " +
            Quote(path),
        &out, &err);
    p.warnings += err;
    p.ok = rc == 0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"')
            value = value.substr(1, value.size() - 2);
        if (key.find(".codec_type") != std::string::npos)
            p.streams.push_back(value);
        else if (key.find(".codec_name") != std::string::npos)
            p.codecs.push_back(value);
        else if (key.find(".rotation") != std::string::npos && p.rotation == 0)
            p.rotation = std::atoi(value.c_str());
        else if (key.find(".sample_fmt") != std::string::npos && !value.empty() && value != "N/A")
            p.audioSampleFormat = value;
        else if (key == "format.duration" && value != "N/A")
            p.duration = std::atof(value.c_str());
    }
    rc = Capture(
        "ffprobe -v warning -hide_banner -show_entries packet=stream_index,pts_time "
        "-of csv=p=0 " +
            Quote(path),
        &out, &err);
    p.warnings += err;
    p.ok = p.ok && rc == 0;
    std::istringstream packets(out);
    while (std::getline(packets, line)) {
        auto comma = line.find(',');
        if (comma == std::string::npos)
            continue;
        size_t index = std::strtoul(line.c_str(), nullptr, 10);
        std::string time = line.substr(comma + 1);
        if (index >= p.streams.size() || time.empty() || time == "N/A")
            continue;
        double t = std::atof(time.c_str());
        if (p.streams[index] == "video") {
            ++p.videoPackets;
            if (p.firstVideoTime < 0 || t < p.firstVideoTime)
                p.firstVideoTime = t;
        } else if (p.streams[index] == "audio") {
            if (p.firstAudioTime < 0 || t < p.firstAudioTime)
                p.firstAudioTime = t;
        }
    }
    // A full decode shows what a player meets on the way through the file.
    rc = Capture("ffmpeg -v warning -hide_banner -nostdin -i " + Quote(path) + " -f null -", &out,
                 &err);
    p.warnings += err;
    p.ok = p.ok && rc == 0;
    // ffmpeg notes that it takes two channels without a channel mask for stereo, which is
    // what the WAVEFORMATEX rule says; that is no fault of the file.
    std::string kept;
    std::istringstream said(p.warnings);
    while (std::getline(said, line))
        if (line.rfind("Guessed Channel Layout", 0) != 0)
            kept += line + "\n";
    p.warnings = kept;
    return p;
}

WavFile ReadWav(const std::string& path) {
    WavFile w;
    std::string b = ReadAll(path);
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
               uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
    };
    auto u16 = [&](size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); };
    if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0 ||
        u32(4) + 8ull != b.size())
        return w;
    size_t at = 12;
    size_t dataAt = 0, dataLength = 0;
    bool haveFormat = false;
    while (at + 8 <= b.size()) {
        std::string id = b.substr(at, 4);
        size_t length = u32(at + 4);
        if (at + 8 + length > b.size())
            return w;
        if (id == "fmt " && length >= 16) {
            w.formatTag = u16(at + 8);
            w.channels = u16(at + 10);
            w.rate = static_cast<int>(u32(at + 12));
            w.bits = u16(at + 22);
            haveFormat = true;
        } else if (id == "data") {
            dataAt = at + 8;
            dataLength = length;
        }
        at += 8 + length + (length & 1);
    }
    if (!haveFormat || !dataAt || w.channels <= 0)
        return w;
    size_t frameBytes = static_cast<size_t>(w.channels) * w.bits / 8;
    if (frameBytes == 0 || dataLength % frameBytes)
        return w;
    for (size_t i = 0; i + frameBytes <= dataLength; i += frameBytes) {
        const char* s = b.data() + dataAt + i;
        if (w.formatTag == 1 && w.bits == 16) {
            int16_t v;
            std::memcpy(&v, s, 2);
            w.sound.push_back(v / 32768.0f);
        } else if (w.formatTag == 3 && w.bits == 32) {
            float v;
            std::memcpy(&v, s, 4);
            w.sound.push_back(v);
        } else {
            return w;
        }
    }
    w.ok = true;
    return w;
}

Match FindStart(const std::vector<float>& whole, const std::vector<float>& piece, int64_t expected,
                int64_t window, size_t length) {
    Match best;
    length = std::min(length, piece.size());
    if (length < 64 || whole.size() < length)
        return best;
    const int64_t last = static_cast<int64_t>(whole.size() - length);
    double pieceEnergy = 0;
    for (size_t i = 0; i < length; ++i) pieceEnergy += double(piece[i]) * piece[i];
    auto score = [&](int64_t lag, size_t step) {
        double dot = 0, energy = 0;
        for (size_t i = 0; i < length; i += step) {
            double w = whole[static_cast<size_t>(lag) + i];
            dot += w * piece[i];
            energy += w * w;
        }
        double norm = std::sqrt(energy * pieceEnergy / double(step));
        return norm > 0 ? dot / norm : 0.0;
    };
    // Coarse on every fourth lag and sample, then every lag within a few carrier periods of
    // the best one: the sweep's correlation peak is broad, its carrier cycles are not.
    int64_t from = std::max<int64_t>(0, expected - window);
    int64_t to = std::min(last, expected + window);
    int64_t coarse = -1;
    double coarseScore = -2;
    for (int64_t lag = from; lag <= to; lag += 4) {
        double s = score(lag, 4);
        if (s > coarseScore) {
            coarseScore = s;
            coarse = lag;
        }
    }
    if (coarse < 0)
        return best;
    for (int64_t lag = std::max(from, coarse - 64); lag <= std::min(to, coarse + 64); ++lag) {
        double s = score(lag, 1);
        if (s > best.score) {
            best.score = s;
            best.offset = lag;
        }
    }
    return best;
}

double Rms(const std::vector<float>& samples, size_t from, size_t count) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = from; i < samples.size() && i < from + count; ++i, ++n)
        sum += double(samples[i]) * samples[i];
    return n ? std::sqrt(sum / n) : 0.0;
}

}  // namespace refmedia
