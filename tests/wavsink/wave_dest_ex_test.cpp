#include <gst/check/gstharness.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/media_factory.h"
#include "wavsink/wave_dest_ex.h"
#include "wavsink/wave_dest_ex_instance.h"

namespace {

uint32_t Le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
           uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}
uint16_t Le16(const std::string& s, size_t at) {
    return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}

std::string Bytes(GstBuffer* buf) {
    std::string out(gst_buffer_get_size(buf), '\0');
    gst_buffer_extract(buf, 0, out.data(), out.size());
    return out;
}

GstBuffer* MakeBuffer(const std::string& bytes) {
    return gst_buffer_new_memdup(bytes.data(), bytes.size());
}

std::string S16(const std::vector<int16_t>& samples) {
    std::string out(samples.size() * 2, '\0');
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

std::vector<int16_t> ToS16(const std::string& bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), bytes.size() & ~size_t{1});
    return out;
}

// One element in a harness, with a bus so that posted errors can be read back.
class ElementHarness {
  public:
    explicit ElementHarness(const char* caps) {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        m_element = GST_ELEMENT(gst_object_ref_sink(g_object_new(GST_TYPE_WAVE_DEST_EX, nullptr)));
        m_bus = gst_bus_new();
        gst_element_set_bus(m_element, m_bus);
        m_h = gst_harness_new_with_element(m_element, "sink", "src");
        gst_harness_set_src_caps_str(m_h, caps);
    }
    ~ElementHarness() {
        gst_harness_teardown(m_h);
        gst_element_set_bus(m_element, nullptr);
        gst_object_unref(m_bus);
        gst_object_unref(m_element);
    }
    GstHarness* h() { return m_h; }
    GstWaveDestEx* dest() { return GST_WAVE_DEST_EX(m_element); }
    GstPad* SrcPad() { return gst_element_get_static_pad(m_element, "src"); }

    GstFlowReturn Push(const std::string& bytes) {
        return gst_harness_push(m_h, MakeBuffer(bytes));
    }

    // Every buffer that came out, in order.
    std::vector<GstBuffer*> PullAll() {
        std::vector<GstBuffer*> out;
        while (GstBuffer* b = gst_harness_try_pull(m_h)) out.push_back(b);
        return out;
    }

    std::vector<guint64> ByteSegmentStarts() {
        std::vector<guint64> starts;
        while (GstEvent* e = gst_harness_try_pull_event(m_h)) {
            if (GST_EVENT_TYPE(e) == GST_EVENT_SEGMENT) {
                const GstSegment* seg;
                gst_event_parse_segment(e, &seg);
                if (seg->format == GST_FORMAT_BYTES)
                    starts.push_back(seg->start);
                else
                    starts.push_back(G_MAXUINT64);
            }
            gst_event_unref(e);
        }
        return starts;
    }

    bool PostedError() {
        GstMessage* m = gst_bus_pop_filtered(m_bus, GST_MESSAGE_ERROR);
        if (!m)
            return false;
        gst_message_unref(m);
        return true;
    }

  private:
    GstElement* m_element;
    GstBus* m_bus;
    GstHarness* m_h;
};

constexpr char kS16Stereo[] = "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=2";

void Unref(std::vector<GstBuffer*>& v) {
    for (GstBuffer* b : v) gst_buffer_unref(b);
    v.clear();
}

}  // namespace

TEST(WaveDestExStream, StampsOffsetsBehindTheHeaderAndWritesItAtEos) {
    ElementHarness t(kS16Stereo);
    std::string first(4410, '\x11'), second(4410, '\x22');
    ASSERT_EQ(t.Push(first), GST_FLOW_OK);
    ASSERT_EQ(t.Push(second), GST_FLOW_OK);
    ASSERT_TRUE(gst_harness_push_event(t.h(), gst_event_new_eos()));

    std::vector<GstBuffer*> out = t.PullAll();
    ASSERT_EQ(out.size(), 4u);  // placeholder, two samples, header
    EXPECT_EQ(Bytes(out[0]), std::string(46, '\0'));
    EXPECT_EQ(GST_BUFFER_OFFSET(out[1]), 46u);
    EXPECT_EQ(GST_BUFFER_OFFSET_END(out[1]), 46u + 4410);
    EXPECT_EQ(GST_BUFFER_OFFSET(out[2]), 46u + 4410);
    EXPECT_EQ(Bytes(out[1]), first);
    EXPECT_EQ(Bytes(out[2]), second);

    std::string h = Bytes(out[3]);
    ASSERT_EQ(h.size(), 46u);
    EXPECT_EQ(GST_BUFFER_OFFSET(out[3]), 0u);
    EXPECT_EQ(h.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(h, 4), 8858u);
    EXPECT_EQ(h.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(h, 16), 18u);
    EXPECT_EQ(Le16(h, 20), 1);       // PCM
    EXPECT_EQ(Le16(h, 22), 2);       // channels
    EXPECT_EQ(Le32(h, 24), 44100u);  // rate
    EXPECT_EQ(Le32(h, 28), 176400u);
    EXPECT_EQ(Le16(h, 32), 4);   // block align
    EXPECT_EQ(Le16(h, 34), 16);  // bits
    EXPECT_EQ(Le16(h, 36), 0);   // cbSize
    EXPECT_EQ(h.substr(38, 4), "data");
    EXPECT_EQ(Le32(h, 42), 8820u);
    // Time segments from upstream never reach the file sink; ours seek to 0 twice.
    EXPECT_EQ(t.ByteSegmentStarts(), (std::vector<guint64>{0, 0}));
    Unref(out);
}

TEST(WaveDestExStream, StreamWithoutSamplesGetsAHeaderWithNoData) {
    ElementHarness t(kS16Stereo);
    ASSERT_TRUE(gst_harness_push_event(t.h(), gst_event_new_eos()));
    std::vector<GstBuffer*> out = t.PullAll();
    ASSERT_EQ(out.size(), 1u);
    std::string h = Bytes(out[0]);
    ASSERT_EQ(h.size(), 46u);
    EXPECT_EQ(Le32(h, 4), 38u);
    EXPECT_EQ(Le32(h, 42), 0u);
    EXPECT_FALSE(t.PostedError());
    Unref(out);
}

TEST(WaveDestExVolume, ScalesSixteenBitSamplesExactlyAndClips) {
    ElementHarness t(kS16Stereo);
    WaveDestSetVolume(t.dest(), 150);
    ASSERT_EQ(t.Push(S16({20000, 30000, -30000, -3, 0, 3})), GST_FLOW_OK);
    WaveDestSetVolume(t.dest(), 29);
    // 29 x 0.01 in binary floating point is just under 0.29 and would give 28 here.
    ASSERT_EQ(t.Push(S16({100, -100})), GST_FLOW_OK);
    std::vector<GstBuffer*> out = t.PullAll();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(ToS16(Bytes(out[1])), (std::vector<int16_t>{30000, 32767, -32768, -4, 0, 4}));
    EXPECT_EQ(ToS16(Bytes(out[2])), (std::vector<int16_t>{29, -29}));
    Unref(out);
}

TEST(WaveDestExVolume, ScalesEightBitSamplesAroundTheMidpoint) {
    ElementHarness t("audio/x-raw,format=U8,layout=interleaved,rate=8000,channels=1");
    WaveDestSetVolume(t.dest(), 200);
    ASSERT_EQ(t.Push(std::string{'\x80', '\xa0', '\xc0', '\x40', '\x00', '\xff'}), GST_FLOW_OK);
    WaveDestSetVolume(t.dest(), 50);
    ASSERT_EQ(t.Push(std::string{'\x80', '\xff', '\x00'}), GST_FLOW_OK);
    std::vector<GstBuffer*> out = t.PullAll();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(Bytes(out[1]), (std::string{'\x80', '\xc0', '\xff', '\x00', '\x00', '\xff'}));
    // 255 -> 128 + 63, 0 -> 128 - 64
    EXPECT_EQ(Bytes(out[2]), (std::string{'\x80', '\xbf', '\x40'}));
    Unref(out);
}

TEST(WaveDestExVolume, OtherWidthsPassAtFullVolumeAndRefuseAnyOther) {
    for (const char* format : {"S24LE", "S32LE", "F32LE"}) {
        SCOPED_TRACE(format);
        std::string caps =
            std::string("audio/x-raw,layout=interleaved,rate=48000,channels=1,format=") + format;
        ElementHarness t(caps.c_str());
        std::string samples = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c";
        ASSERT_EQ(t.Push(samples), GST_FLOW_OK);
        WaveDestSetVolume(t.dest(), 150);
        EXPECT_EQ(t.Push(samples), GST_FLOW_ERROR);
        EXPECT_TRUE(t.PostedError());
        // The refused buffer is not counted.
        EXPECT_EQ(WaveDestDataBytes(t.dest()), samples.size());
        std::vector<GstBuffer*> out = t.PullAll();
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(Bytes(out[1]), samples);
        Unref(out);
    }
}

TEST(WaveDestExVolume, SetVolumeKeepsTheLowSixteenBits) {
    ElementHarness t(kS16Stereo);
    WaveDestSetVolume(t.dest(), 70000);
    EXPECT_EQ(WaveDestGetVolume(t.dest()), 4464);
    WaveDestSetVolume(t.dest(), 0x18000);  // low half 0x8000: sign-extended
    EXPECT_EQ(WaveDestGetVolume(t.dest()), -32768);
}

namespace {
GstPadProbeReturn FailSecondData(GstPad*, GstPadProbeInfo* info, gpointer count) {
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (GST_BUFFER_OFFSET(buf) != 0 && ++*static_cast<int*>(count) == 2) {
        GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
        gst_buffer_unref(buf);
        GST_PAD_PROBE_INFO_DATA(info) = nullptr;
        return GST_PAD_PROBE_HANDLED;
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn FailHeader(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    guint8 first = 0;
    gst_buffer_extract(buf, 0, &first, 1);
    if (GST_BUFFER_OFFSET(buf) == 0 && first == 'R') {
        GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
        gst_buffer_unref(buf);
        GST_PAD_PROBE_INFO_DATA(info) = nullptr;
        return GST_PAD_PROBE_HANDLED;
    }
    return GST_PAD_PROBE_OK;
}
}  // namespace

TEST(WaveDestExFailures, RefusedSampleLeavesNoGapInTheFile) {
    ElementHarness t(kS16Stereo);
    int count = 0;
    GstPad* src = t.SrcPad();
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, FailSecondData, &count, nullptr);
    gst_object_unref(src);
    ASSERT_EQ(t.Push(std::string(100, 'a')), GST_FLOW_OK);
    EXPECT_EQ(t.Push(std::string(100, 'b')), GST_FLOW_ERROR);
    EXPECT_EQ(WaveDestDataBytes(t.dest()), 100u);
    ASSERT_EQ(t.Push(std::string(100, 'c')), GST_FLOW_OK);
    std::vector<GstBuffer*> out = t.PullAll();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(GST_BUFFER_OFFSET(out[2]), 146u);
    Unref(out);
}

TEST(WaveDestExFailures, StreamPassingFourGigabytesFailsWithoutCounting) {
    ElementHarness t(kS16Stereo);
    ASSERT_EQ(t.Push(std::string(4, 'a')), GST_FLOW_OK);
    const uint32_t nearLimit = 0xFFFFFFFFu - 46 - 100;
    t.dest()->data_bytes = nearLimit;                       // without pushing gigabytes
    ASSERT_EQ(t.Push(std::string(100, 'b')), GST_FLOW_OK);  // ends exactly at the limit
    EXPECT_EQ(t.Push(std::string(4, 'c')), GST_FLOW_ERROR);
    EXPECT_EQ(WaveDestDataBytes(t.dest()), nearLimit + 100);
    EXPECT_TRUE(t.PostedError());
}

TEST(WaveDestExFailures, FailedHeaderWriteIsReported) {
    ElementHarness t(kS16Stereo);
    GstPad* src = t.SrcPad();
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, FailHeader, nullptr, nullptr);
    gst_object_unref(src);
    ASSERT_EQ(t.Push(std::string(8, 'a')), GST_FLOW_OK);
    gst_harness_push_event(t.h(), gst_event_new_eos());
    EXPECT_TRUE(t.PostedError());
}

TEST(WaveDestExFailures, EndWithoutFormatIsReported) {
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstElement* e = GST_ELEMENT(gst_object_ref_sink(g_object_new(GST_TYPE_WAVE_DEST_EX, nullptr)));
    GstBus* bus = gst_bus_new();
    gst_element_set_bus(e, bus);
    GstHarness* h = gst_harness_new_with_element(e, "sink", "src");
    gst_harness_play(h);
    gst_harness_push_event(h, gst_event_new_stream_start("s"));
    gst_harness_push_event(h, gst_event_new_eos());
    GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    EXPECT_NE(m, nullptr);
    if (m)
        gst_message_unref(m);
    EXPECT_EQ(gst_harness_try_pull(h), nullptr);
    gst_harness_teardown(h);
    gst_element_set_bus(e, nullptr);
    gst_object_unref(bus);
    gst_object_unref(e);
}

// Runs "audiotestsrc ! caps ! <writer> ! filesink" to the end of the stream.
static bool WriteFile(GstElement* writer, const std::string& path) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* src = gst_element_factory_make("audiotestsrc", nullptr);
    GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("filesink", nullptr);
    g_object_set(src, "num-buffers", 25, "freq", 997.0, nullptr);
    GstCaps* c = gst_caps_from_string("audio/x-raw,format=S16LE,rate=44100,channels=2");
    g_object_set(caps, "caps", c, nullptr);
    gst_caps_unref(c);
    g_object_set(sink, "location", path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), src, caps, writer, sink, nullptr);
    bool ok = gst_element_link_many(src, caps, writer, sink, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ok = ok && m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
    if (m)
        gst_message_unref(m);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

TEST(WaveDestExFile, SamplesMatchWavencAtFullVolume) {
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    std::string dir = testmedia::MakeTempDir("wavedest");
    std::string ours = dir + "/ours.wav", theirs = dir + "/theirs.wav";
    GstElement* dest = GST_ELEMENT(g_object_new(GST_TYPE_WAVE_DEST_EX, nullptr));
    GstElement* wavenc = gst_element_factory_make("wavenc", nullptr);
    ASSERT_NE(wavenc, nullptr);
    ASSERT_TRUE(WriteFile(dest, ours));
    ASSERT_TRUE(WriteFile(wavenc, theirs));
    std::string a = testmedia::ReadFile(ours), b = testmedia::ReadFile(theirs);
    ASSERT_GE(a.size(), 46u);
    ASSERT_GE(b.size(), 44u);
    uint32_t dataBytes = Le32(a, 42);
    EXPECT_EQ(a.size(), 46u + dataBytes);
    EXPECT_EQ(Le32(a, 4), a.size() - 8);
    // wavenc writes a 16-byte fmt chunk; the samples follow its 44-byte header.
    ASSERT_EQ(b.substr(36, 4), "data");
    ASSERT_EQ(Le32(b, 40), dataBytes);
    EXPECT_TRUE(a.compare(46, dataBytes, b, 44, dataBytes) == 0);
    EXPECT_EQ(a.substr(20, 16), b.substr(20, 16));  // same format fields
    testmedia::RemoveTree(dir);
}

TEST(WaveDestExVolume, EverySixteenBitValueMatchesExactArithmeticAtAnyAlignment) {
    std::vector<int16_t> all(65536);
    for (int i = 0; i < 65536; ++i) all[i] = static_cast<int16_t>(i - 32768);
    for (int volume : {10, 29, 99, 150, 300, -50, 32767, -32768}) {
        SCOPED_TRACE(volume);
        ElementHarness t(kS16Stereo);
        WaveDestSetVolume(t.dest(), volume);
        // Odd start address: a sub-buffer of a larger allocation can begin anywhere.
        std::string raw = " " + S16(all);
        GstBuffer* in = gst_buffer_new_memdup(raw.data(), raw.size());
        GstBuffer* odd = gst_buffer_copy_region(in, GST_BUFFER_COPY_ALL, 1, raw.size() - 1);
        gst_buffer_unref(in);
        ASSERT_EQ(gst_harness_push(t.h(), odd), GST_FLOW_OK);
        ASSERT_EQ(t.Push(S16(all)), GST_FLOW_OK);
        std::vector<GstBuffer*> out = t.PullAll();
        ASSERT_EQ(out.size(), 3u);
        for (int k : {1, 2}) {
            std::vector<int16_t> got = ToS16(Bytes(out[k]));
            ASSERT_EQ(got.size(), all.size());
            int wrong = 0;
            for (size_t i = 0; i < all.size(); ++i) {
                long exact = static_cast<long>(volume) * all[i] / 100;
                exact = std::clamp(exact, -32768L, 32767L);
                wrong += got[i] != exact;
            }
            EXPECT_EQ(wrong, 0);
        }
        Unref(out);
    }
}
