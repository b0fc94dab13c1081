#include "tests/engine/graph_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "platform/window_message.h"

bool NotifyRecorder::event(QEvent* e) {
    int m = WindowMessage::MessageOf(e);
    if (m < 0)
        return QObject::event(e);
    messages.push_back(
        {m, static_cast<const WindowMessage*>(e)->wParam(), std::chrono::steady_clock::now()});
    return true;
}

int NotifyRecorder::Count(int message) const {
    int n = 0;
    for (const auto& m : messages) n += m.message == message;
    return n;
}

intptr_t AwaitReport(NotifyRecorder& notify, int message, size_t from, int timeoutMs) {
    auto last = [&]() -> intptr_t {
        for (size_t i = notify.messages.size(); i > from; --i)
            if (notify.messages[i - 1].message == message)
                return notify.messages[i - 1].wParam;
        return -1;
    };
    PumpUntil([&] { return last() >= 0; }, timeoutMs);
    return last();
}

bool SeekAndWait(MediaGraph& graph, NotifyRecorder& notify, double tenths) {
    const size_t from = notify.messages.size();
    return graph.SeekAsync(tenths) && AwaitReport(notify, UM_GRAPH_SEEK_DONE, from) == 1;
}

bool RewindAndWait(MediaGraph& graph, NotifyRecorder& notify) {
    const size_t from = notify.messages.size();
    return graph.StopAndRewind() && AwaitReport(notify, UM_GRAPH_REWOUND, from) == 1;
}

StalledPipe::StalledPipe(const std::string& dir, double seconds)
    : HeldPipe(dir + "/stalled.wav", WavSilence(seconds, 0.5), std::string::npos),
      m_path(dir + "/stalled.wav") {}

void StartStalled(MediaGraph& graph, const StalledPipe& pipe, NotifyRecorder& notify) {
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.Open(pipe.Path().c_str(), FALSE), S_OK);
    ASSERT_TRUE(graph.Run());
    // Past what was delivered, the graph starves: its sink waits for data that does not
    // come, and a pause never completes.
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_POSITION) > 0; }, 30000));
    // Whether or not the half second has all been heard by then, the graph can only stall
    // from here on.
    PumpUntil([&] { return graph.GetPosition() >= 5; }, 2000);
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

namespace {

void PutLe(std::vector<char>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void PutTag(std::vector<char>& out, const char* tag) {
    out.insert(out.end(), tag, tag + std::char_traits<char>::length(tag));
}

}  // namespace

std::vector<char> WavSilence(double promisedSeconds, double givenSeconds) {
    const uint32_t rate = 44100, block = 4;
    const uint32_t data = static_cast<uint32_t>(promisedSeconds * rate) * block;
    std::vector<char> b;
    PutTag(b, "RIFF");
    PutLe(b, data + 36, 4);
    PutTag(b, "WAVEfmt ");
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, 2, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * block, 4);
    PutLe(b, block, 2);
    PutLe(b, 16, 2);
    PutTag(b, "data");
    PutLe(b, data, 4);
    b.resize(b.size() + static_cast<size_t>(givenSeconds * rate) * block, 0);
    return b;
}

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

namespace {

struct ProbeState {
    MediaProbe* probe;
    GstElement* pipeline;
};

GstFlowReturn CountSample(GstAppSink* sink, gpointer data) {
    auto* probe = static_cast<MediaProbe*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstStructure* s = gst_caps_get_structure(caps, 0);
    if (g_str_has_prefix(gst_structure_get_name(s), "video/")) {
        gst_structure_get_int(s, "width", &probe->width);
        gst_structure_get_int(s, "height", &probe->height);
        gst_structure_get_fraction(s, "framerate", &probe->fpsNum, &probe->fpsDen);
        ++probe->videoFrames;
    } else {
        int rate = 0, channels = 0;
        gst_structure_get_int(s, "rate", &rate);
        gst_structure_get_int(s, "channels", &channels);
        GstBuffer* buf = gst_sample_get_buffer(sample);
        if (rate > 0 && channels > 0)
            probe->audioSeconds += double(gst_buffer_get_size(buf)) / (2.0 * channels * rate);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void OnProbePad(GstElement*, GstPad* pad, gpointer data) {
    auto* state = static_cast<ProbeState*>(data);
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    bool video =
        g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
    gst_caps_unref(caps);
    GstElement* convert =
        gst_element_factory_make(video ? "videoconvert" : "audioconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    GstCaps* want = gst_caps_from_string(video ? "video/x-raw" : "audio/x-raw,format=S16LE");
    g_object_set(sink, "caps", want, "sync", FALSE, nullptr);
    gst_caps_unref(want);
    GstAppSinkCallbacks cb = {};
    cb.new_sample = CountSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &cb, state->probe, nullptr);
    gst_bin_add_many(GST_BIN(state->pipeline), convert, sink, nullptr);
    gst_element_link(convert, sink);
    gst_element_sync_state_with_parent(convert);
    gst_element_sync_state_with_parent(sink);
    GstPad* in = gst_element_get_static_pad(convert, "sink");
    gst_pad_link(pad, in);
    gst_object_unref(in);
    (video ? state->probe->hasVideo : state->probe->hasAudio) = true;
}

}  // namespace

MediaProbe ProbeMedia(const std::string& path) {
    MediaProbe probe;
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* src = gst_element_factory_make("filesrc", nullptr);
    GstElement* decode = gst_element_factory_make("decodebin", nullptr);
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), src, decode, nullptr);
    gst_element_link(src, decode);
    ProbeState state{&probe, pipeline};
    g_signal_connect(decode, "pad-added", G_CALLBACK(OnProbePad), &state);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 30 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    probe.ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return probe;
}

namespace {

class Pinged : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        answered = true;
        return true;
    }
    bool answered = false;
};

}  // namespace

double PingMs() {
    Pinged target;
    const auto sent = std::chrono::steady_clock::now();
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    PumpUntil([&] { return target.answered; }, 30000);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent)
        .count();
}
