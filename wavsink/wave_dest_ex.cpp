#include "wavsink/wave_dest_ex.h"

#include <gst/audio/audio.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <new>

#include "wavsink/sample_volume.h"
#include "wavsink/wave_dest_ex_instance.h"

GST_DEBUG_CATEGORY_STATIC(wave_dest_ex_debug);
#define GST_CAT_DEFAULT wave_dest_ex_debug

namespace {

constexpr int kDefaultVolume = 100;
constexpr WORD kWaveFormatIeeeFloat = 3;
constexpr uint32_t kHeaderOverhead = 28;  // RIFF, size, WAVE, fmt , length, data, length

enum { PROP_0, PROP_VOLUME };

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-raw, format = (string) { U8, S16LE, S24LE, S32LE, F32LE, F64LE }, "
                    "layout = (string) interleaved, rate = (int) [ 1, MAX ], "
                    "channels = (int) [ 1, 65535 ]"));

GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-wav"));

void PutLe32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

G_DEFINE_TYPE(GstWaveDestEx, gst_wave_dest_ex, GST_TYPE_BASE_TRANSFORM)

std::string WaveDestBuildHeader(const uint8_t* format, uint32_t formatLength, uint32_t dataBytes) {
    uint64_t headerBytes = uint64_t{formatLength} + kHeaderOverhead;
    if (headerBytes + dataBytes - 8 > std::numeric_limits<uint32_t>::max())
        return {};
    std::string h;
    h.reserve(headerBytes);
    h += "RIFF";
    PutLe32(h, static_cast<uint32_t>(headerBytes + dataBytes - 8));
    h += "WAVE";
    h += "fmt ";
    PutLe32(h, formatLength);
    h.append(reinterpret_cast<const char*>(format), formatLength);
    h += "data";
    PutLe32(h, dataBytes);
    return h;
}

void WaveDestSetVolume(GstWaveDestEx* self, int percent) {
    g_mutex_lock(&self->volume_lock);
    self->volume.store(static_cast<int16_t>(percent & 0xFFFF));
    g_mutex_unlock(&self->volume_lock);
}

int WaveDestGetVolume(GstWaveDestEx* self) {
    g_mutex_lock(&self->volume_lock);
    int v = self->volume.load();
    g_mutex_unlock(&self->volume_lock);
    return v;
}

uint32_t WaveDestDataBytes(GstWaveDestEx* self) {
    return self->data_bytes;
}

static void gst_wave_dest_ex_set_property(GObject* object, guint id, const GValue* value,
                                          GParamSpec* pspec) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(object);
    if (id == PROP_VOLUME)
        WaveDestSetVolume(self, g_value_get_int(value));
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

static void gst_wave_dest_ex_get_property(GObject* object, guint id, GValue* value,
                                          GParamSpec* pspec) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(object);
    if (id == PROP_VOLUME)
        g_value_set_int(value, WaveDestGetVolume(self));
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

static void gst_wave_dest_ex_finalize(GObject* object) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(object);
    g_mutex_clear(&self->volume_lock);
    G_OBJECT_CLASS(gst_wave_dest_ex_parent_class)->finalize(object);
}

static GstCaps* gst_wave_dest_ex_transform_caps(GstBaseTransform* trans, GstPadDirection direction,
                                                GstCaps* caps, GstCaps* filter) {
    (void)trans;
    (void)caps;
    GstCaps* out = direction == GST_PAD_SINK ? gst_static_pad_template_get_caps(&src_template)
                                             : gst_static_pad_template_get_caps(&sink_template);
    if (filter) {
        GstCaps* both = gst_caps_intersect_full(filter, out, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(out);
        out = both;
    }
    return out;
}

static gboolean gst_wave_dest_ex_set_caps(GstBaseTransform* trans, GstCaps* incaps,
                                          GstCaps* outcaps) {
    (void)outcaps;
    GstWaveDestEx* self = GST_WAVE_DEST_EX(trans);
    GstAudioInfo info;
    if (!gst_audio_info_from_caps(&info, incaps))
        return FALSE;
    WAVEFORMATEX f{};
    f.wFormatTag = GST_AUDIO_INFO_IS_FLOAT(&info) ? kWaveFormatIeeeFloat : WAVE_FORMAT_PCM;
    f.nChannels = static_cast<WORD>(GST_AUDIO_INFO_CHANNELS(&info));
    f.nSamplesPerSec = static_cast<DWORD>(GST_AUDIO_INFO_RATE(&info));
    f.nBlockAlign = static_cast<WORD>(GST_AUDIO_INFO_BPF(&info));
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.wBitsPerSample = static_cast<WORD>(GST_AUDIO_INFO_WIDTH(&info));
    f.cbSize = 0;
    self->format = f;
    self->have_format = TRUE;
    self->integer_samples = GST_AUDIO_INFO_IS_INTEGER(&info);
    self->bytes_per_sample = f.wBitsPerSample / 8;
    if (self->bytes_per_sample == 2) {
        self->sample_max = 32767;
        self->sample_min = -32768;
    } else if (self->bytes_per_sample == 1) {
        self->sample_max = 255;
        self->sample_min = 0;
    }
    self->header_bytes = sizeof(WAVEFORMATEX) + kHeaderOverhead;
    return TRUE;
}

static gboolean gst_wave_dest_ex_start(GstBaseTransform* trans) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(trans);
    self->data_bytes = 0;
    self->header_bytes = sizeof(WAVEFORMATEX) + kHeaderOverhead;
    self->placeholder_sent = FALSE;
    return TRUE;
}

// Places the sink at a byte offset: the file sink seeks there before the next write.
static gboolean PushByteSegment(GstWaveDestEx* self, guint64 offset) {
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_BYTES);
    segment.start = offset;
    segment.position = offset;
    segment.time = 0;
    return gst_pad_push_event(GST_BASE_TRANSFORM_SRC_PAD(self), gst_event_new_segment(&segment));
}

static GstFlowReturn PushBytes(GstWaveDestEx* self, const std::string& bytes, guint64 offset) {
    GstBuffer* buf = gst_buffer_new_memdup(bytes.data(), bytes.size());
    GST_BUFFER_OFFSET(buf) = offset;
    GST_BUFFER_OFFSET_END(buf) = offset + bytes.size();
    return gst_pad_push(GST_BASE_TRANSFORM_SRC_PAD(self), buf);
}

// The reserved space stays zero until EOS so that a stream cut off before its end is
// never mistaken for a complete file.
static GstFlowReturn SendPlaceholder(GstWaveDestEx* self) {
    if (!PushByteSegment(self, 0)) {
        GST_ELEMENT_ERROR(self, RESOURCE, SEEK, ("Could not start the WAV stream."),
                          ("downstream refused a BYTES segment"));
        return GST_FLOW_ERROR;
    }
    GstFlowReturn ret = PushBytes(self, std::string(self->header_bytes, '\0'), 0);
    if (ret == GST_FLOW_OK)
        self->placeholder_sent = TRUE;
    return ret;
}

// 8-bit samples are unsigned around 128: the factor applies to the distance from the
// midpoint, so silence stays silence.
static void ScaleU8(uint8_t* data, gsize bytes, int volume) {
    for (gsize i = 0; i < bytes; ++i) {
        int v = 128 + ((data[i] - 128) * volume) / 100;
        data[i] = static_cast<uint8_t>(v > 255 ? 255 : (v < 0 ? 0 : v));
    }
}

static GstFlowReturn gst_wave_dest_ex_transform_ip(GstBaseTransform* trans, GstBuffer* buf) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(trans);
    gsize length = gst_buffer_get_size(buf);
    uint64_t start = uint64_t{self->data_bytes} + self->header_bytes;
    if (start + length > std::numeric_limits<uint32_t>::max()) {
        GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT,
                          ("The WAV file would pass 4 GiB, the limit of its header."),
                          ("%" G_GUINT64_FORMAT " + %" G_GSIZE_FORMAT " bytes", start, length));
        return GST_FLOW_ERROR;
    }
    if (!self->placeholder_sent) {
        GstFlowReturn ret = SendPlaceholder(self);
        if (ret != GST_FLOW_OK)
            return ret;
    }
    self->data_bytes += static_cast<uint32_t>(length);
    GST_BUFFER_OFFSET(buf) = start;
    GST_BUFFER_OFFSET_END(buf) = start + length;

    if (self->volume.load(std::memory_order_relaxed) == kDefaultVolume)
        return GST_FLOW_OK;
    int volume = WaveDestGetVolume(self);
    bool scalable =
        self->integer_samples && (self->bytes_per_sample == 2 || self->bytes_per_sample == 1);
    if (!scalable) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                          ("A volume other than 100%% needs 8- or 16-bit PCM."),
                          ("volume %d on %d-byte samples", volume, self->bytes_per_sample));
        return GST_FLOW_ERROR;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buf, &map, GST_MAP_READWRITE))
        return GST_FLOW_ERROR;
    if (self->bytes_per_sample == 2)
        ScaleSamplesS16(map.data, map.size / 2, volume);
    else
        ScaleU8(map.data, map.size, volume);
    gst_buffer_unmap(buf, &map);
    return GST_FLOW_OK;
}

// Counts only what downstream accepted, so a refused buffer leaves no gap in the file.
static GstFlowReturn gst_wave_dest_ex_chain(GstPad* pad, GstObject* parent, GstBuffer* buf) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(parent);
    uint32_t before = self->data_bytes;
    GstFlowReturn ret = self->base_chain(pad, parent, buf);
    if (ret != GST_FLOW_OK)
        self->data_bytes = before;
    return ret;
}

static gboolean FinishFile(GstWaveDestEx* self) {
    if (!self->have_format) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("No WAV header was written."),
                          ("the stream ended before an audio format was negotiated"));
        return FALSE;
    }
    std::string header = WaveDestBuildHeader(reinterpret_cast<const uint8_t*>(&self->format),
                                             sizeof(WAVEFORMATEX), self->data_bytes);
    if (header.empty()) {
        GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, ("No WAV header was written."),
                          ("the sizes do not fit the header's 32-bit fields"));
        return FALSE;
    }
    if (!PushByteSegment(self, 0)) {
        GST_ELEMENT_ERROR(self, RESOURCE, SEEK, ("The WAV header could not be written."),
                          ("downstream could not seek back to offset 0"));
        return FALSE;
    }
    GstFlowReturn ret = PushBytes(self, header, 0);
    if (ret != GST_FLOW_OK) {
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("The WAV header could not be written."),
                          ("downstream returned %s", gst_flow_get_name(ret)));
        return FALSE;
    }
    return TRUE;
}

static gboolean gst_wave_dest_ex_sink_event(GstBaseTransform* trans, GstEvent* event) {
    GstWaveDestEx* self = GST_WAVE_DEST_EX(trans);
    switch (GST_EVENT_TYPE(event)) {
        case GST_EVENT_SEGMENT:
            // Upstream speaks time; downstream gets byte segments of our own.
            gst_event_unref(event);
            return TRUE;
        case GST_EVENT_EOS:
            FinishFile(self);
            break;
        default:
            break;
    }
    return GST_BASE_TRANSFORM_CLASS(gst_wave_dest_ex_parent_class)->sink_event(trans, event);
}

static void gst_wave_dest_ex_class_init(GstWaveDestExClass* klass) {
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseTransformClass* trans_class = GST_BASE_TRANSFORM_CLASS(klass);

    gobject_class->set_property = gst_wave_dest_ex_set_property;
    gobject_class->get_property = gst_wave_dest_ex_get_property;
    gobject_class->finalize = gst_wave_dest_ex_finalize;
    g_object_class_install_property(
        gobject_class, PROP_VOLUME,
        g_param_spec_int("volume", "Volume", "Volume in percent; 100 leaves samples unchanged",
                         G_MININT16, G_MAXINT16, kDefaultVolume,
                         static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));

    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(element_class, "WAVE DestEx", "Codec/Muxer/Audio",
                                          "Writes PCM audio as a RIFF WAVE stream with a volume",
                                          "VELTRA");

    trans_class->transform_caps = gst_wave_dest_ex_transform_caps;
    trans_class->set_caps = gst_wave_dest_ex_set_caps;
    trans_class->start = gst_wave_dest_ex_start;
    trans_class->transform_ip = gst_wave_dest_ex_transform_ip;
    trans_class->sink_event = gst_wave_dest_ex_sink_event;
    trans_class->passthrough_on_same_caps = FALSE;

    GST_DEBUG_CATEGORY_INIT(wave_dest_ex_debug, "wavedestex", 0, "WAVE DestEx");
}

static void gst_wave_dest_ex_init(GstWaveDestEx* self) {
    std::memset(&self->format, 0, sizeof self->format);
    self->have_format = FALSE;
    self->bytes_per_sample = 0;
    self->sample_max = 0;
    self->sample_min = 0;
    self->integer_samples = FALSE;
    g_mutex_init(&self->volume_lock);
    new (&self->volume) std::atomic<int>(kDefaultVolume);
    self->data_bytes = 0;
    self->header_bytes = sizeof(WAVEFORMATEX) + kHeaderOverhead;
    self->placeholder_sent = FALSE;
    GstPad* sink = GST_BASE_TRANSFORM_SINK_PAD(self);
    self->base_chain = GST_PAD_CHAINFUNC(sink);
    gst_pad_set_chain_function(sink, gst_wave_dest_ex_chain);
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
}

gboolean gst_wave_dest_ex_register(GstPlugin* plugin) {
    return gst_element_register(plugin, "wavedestex", GST_RANK_NONE, GST_TYPE_WAVE_DEST_EX);
}
