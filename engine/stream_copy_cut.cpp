#include "engine/stream_copy_cut.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

#include <strings.h>
#include <QDebug>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "engine/container_family.h"
#include "engine/conversion_file.h"
#include "engine/flac_range.h"
#include "engine/head_encoder.h"
#include "engine/opus_packet.h"

namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct OutputCloser {
    void operator()(AVFormatContext* c) const {
        if (c->pb)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct DecoderCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// FLAC's stream header, 34 bytes: the smallest and largest block (two bytes each) and
// frame (three bytes each), total samples in the low 36 bits of bytes 13 to 17, then the
// 16-byte fingerprint of the decoded sound.
void ForgetFlacTotals(AVCodecParameters* par) {
    constexpr int kStreamInfoSize = 34;
    if (!par->extradata || par->extradata_size < kStreamInfoSize)
        return;
    uint8_t* info = par->extradata;
    std::memset(info + 4, 0, 6);  // the frames made again at the edges have sizes of their own
    info[13] &= 0xF0;
    std::memset(info + 14, 0, kStreamInfoSize - 14);
}

// Writes the block sizes and the count of samples into the stream header of the FLAC file
// at path; block sizes of 0 keep the header's.
bool StoreFlacStreamInfo(const std::string& path, int64_t samples, int minBlock, int maxBlock) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "r+b"), std::fclose);
    uint8_t head[8 + 18];
    if (!f || std::fread(head, 1, sizeof head, f.get()) != sizeof head ||
        std::memcmp(head, "fLaC", 4) != 0 || (head[4] & 0x7F) != 0)
        return false;
    uint8_t* info = head + 8;
    if (minBlock > 0 && maxBlock > 0) {
        info[0] = static_cast<uint8_t>(minBlock >> 8);
        info[1] = static_cast<uint8_t>(minBlock);
        info[2] = static_cast<uint8_t>(maxBlock >> 8);
        info[3] = static_cast<uint8_t>(maxBlock);
    }
    uint8_t* total = info + 13;
    total[0] = static_cast<uint8_t>((total[0] & 0xF0) | ((samples >> 32) & 0x0F));
    for (int i = 1; i <= 4; ++i) total[i] = static_cast<uint8_t>(samples >> (8 * (4 - i)));
    return std::fseek(f.get(), 8, SEEK_SET) == 0 && std::fwrite(info, 1, 18, f.get()) == 18;
}

// The packet's note of samples to drop at its start and end (a negative count keeps what
// the note says already).
bool SetSkipSamples(AVPacket* p, int64_t atStart, int64_t atEnd) {
    size_t size = 0;
    uint8_t* data = av_packet_get_side_data(p, AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (!data || size < 10) {
        data = av_packet_new_side_data(p, AV_PKT_DATA_SKIP_SAMPLES, 10);
        if (!data)
            return false;
        std::memset(data, 0, 10);
    }
    auto put = [](uint8_t* at, int64_t v) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
    };
    if (atStart >= 0)
        put(data, atStart);
    if (atEnd >= 0)
        put(data + 4, atEnd);
    return true;
}

// Per source stream: where its range starts and ends in its own time base.
// How a container lets a cut's sound start and end inside a codec frame.
enum class Trim {
    None,        // it cannot: whole frames from the one at the start
    EditList,    // MP4's edit list names the range of the decoded sound
    PreSkip,     // Ogg Opus: the header's pre-skip, and the last page's granule
    Gapless,     // MP3: the encoder's delay and padding in the first frame's note
    EdgeFrames,  // FLAC: the frames at the edges made again of the range's samples
    CodecDelay,  // Matroska Opus: the header's pre-skip and codec delay, the end's padding
};

struct Lane {
    int out = -1;
    Trim trim = Trim::None;
    int64_t preroll = 0;  // decoded ahead of the start and trimmed, for the decoder
    int64_t firstWritten = AV_NOPTS_VALUE;  // range-relative
    int64_t writtenUntil = 0;               // range-relative end of the last packet
    int64_t start = 0;                      // first timestamp of the range
    int64_t end = 0;                        // first timestamp past it
    int64_t slack = 0;                      // a millisecond, against rounding of typed times
    int64_t startUs = 0, endUs = 0;         // the range on the source's time line, finer
    // Matroska Opus, counted in samples at 48 kHz: where the next packet starts, where the
    // range's sound starts and ends, and the samples of the first packet ahead of it.
    int64_t at48 = 0, from48 = 0, until48 = 0, lead48 = 0;
    bool started = false;
    bool done = false;
};

constexpr int kLastSeekAttempt = 3;

// The main video stream's way through the range.
enum class Phase { Seeking, Head, Leading, Copy, Done };

class Cutter {
  public:
    Cutter(const std::string& source, const std::string& target, double start, double end,
           const std::function<bool(double)>& progress)
        : m_Source(source), m_Target(target), m_Start(start), m_End(end), m_Progress(progress) {}
    ~Cutter() { av_dict_free(&m_HeaderOptions); }
    Cutter(const Cutter&) = delete;
    Cutter& operator=(const Cutter&) = delete;

    CopyCutResult Run();

  private:
    CopyCutResult Fail(CopyCutError e, const std::string& detail = {}) {
        m_Result.error = e;
        m_Result.detail = detail;
        return m_Result;
    }
    bool OpenOutput();
    void ChooseTrim(const AVStream* is, Lane* lane) const;
    bool WriteHeader();
    int64_t OpusLead(int index) const;
    int64_t OpusStartOf(int index, int64_t pts, int samples) const;
    int SourcePreSkip(int index) const;
    int64_t FirstOpusSample(int index) const;
    bool HandleMatroskaOpus(PacketPtr p);
    bool AwaitingLead() const;
    bool WriteWaiting();
    bool CopyStreamSetup();
    void CopyChapters();
    bool WritePacket(AVPacket* p, int sourceIndex);
    bool HandleVideo(PacketPtr p);
    bool HandleOther(PacketPtr p);
    bool HandleFlac(PacketPtr p);
    bool WriteFlacFrames(int index, std::vector<FlacRange::Frame>& frames);
    bool FinishFlac();
    bool WriteOrHold(int index, PacketPtr p);
    bool StartDecoder();
    bool Decode(AVPacket* p);  // null flushes
    bool EmitHead();
    bool FlushHeld();
    bool PrependSourceSets(AVPacket* keyframe);
    bool NoteCopied(const AVPacket* p);
    bool EmitTail();
    void SeekBefore(int attempt);
    void Restart();

    std::string m_Source, m_Target;
    double m_Start, m_End;
    std::function<bool(double)> m_Progress;
    CopyCutResult m_Result;

    std::unique_ptr<AVFormatContext, InputCloser> m_In;
    std::unique_ptr<AVFormatContext, OutputCloser> m_Out;
    std::vector<Lane> m_Lanes;
    int m_Video = -1;
    bool m_HeaderWritten = false;
    AVDictionary* m_HeaderOptions = nullptr;

    Phase m_Phase = Phase::Seeking;
    std::unique_ptr<AVCodecContext, DecoderCloser> m_Decoder;
    std::unique_ptr<HeadEncoder> m_Head;
    int64_t m_KeyPts = AV_NOPTS_VALUE;  // the first copied keyframe
    int64_t m_KeyDelay = 0;             // its pts minus its dts
    bool m_ReencodeFailed = false;
    int m_SeekAttempt = 0;
    bool m_Reseek = false;                             // the seek landed past the start's keyframe
    std::deque<std::pair<int, PacketPtr>> m_Held;      // written once the head is out
    std::vector<std::pair<int, PacketPtr>> m_Waiting;  // written once the header is out
    int64_t m_LastVideoDts = INT64_MIN;
    std::vector<PacketPtr> m_Group;  // the copied group so far, for the tail
    int64_t m_MaxCopiedPts = INT64_MIN;
    bool m_PastEnd = false;  // a picture past the end came in decoding order
    int m_TailPictures = 0;  // pictures of the range behind it
    bool m_InTail = false;
    int64_t m_FlacSamples = 0;  // written, for the stream header
    bool m_Flac = false;
    int m_FlacLane = -1;  // the stream whose edge frames are made again
    int64_t m_PacketsWritten = 0;
    std::unique_ptr<FlacRange> m_FlacRange;
};

bool Cutter::OpenOutput() {
    const char* muxer = MuxerNameFor(m_Target);
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, muxer, nullptr) < 0 || !out)
        return false;
    m_Out.reset(out);
    return true;
}

// The container's means of trimming the sound of a stream, and how much a decoder wants
// ahead of the first sample it is to give: AAC and MP3 shape a frame with the one before
// (MP3's bits may even start in it), Opus needs 80 ms to settle.
void Cutter::ChooseTrim(const AVStream* is, Lane* lane) const {
    const char* muxer = m_Out->oformat->name;
    const AVCodecID codec = is->codecpar->codec_id;
    if (!std::strcmp(muxer, "mp4") || !std::strcmp(muxer, "mov"))
        lane->trim = Trim::EditList;
    else if ((!std::strcmp(muxer, "ogg") || !std::strcmp(muxer, "opus")) &&
             codec == AV_CODEC_ID_OPUS && is->codecpar->extradata_size >= 19)
        lane->trim = Trim::PreSkip;
    else if (!std::strcmp(muxer, "mp3") && codec == AV_CODEC_ID_MP3)
        lane->trim = Trim::Gapless;
    else if (!std::strcmp(muxer, "flac") && codec == AV_CODEC_ID_FLAC)
        lane->trim = Trim::EdgeFrames;
    else if ((!std::strcmp(muxer, "matroska") || !std::strcmp(muxer, "webm")) &&
             codec == AV_CODEC_ID_OPUS && is->codecpar->extradata_size >= 19)
        lane->trim = Trim::CodecDelay;
    int samples = 0;
    switch (codec) {
        case AV_CODEC_ID_AAC:
            samples = 1024;
            break;
        case AV_CODEC_ID_MP3:
            samples = 2 * 1152;
            break;
        case AV_CODEC_ID_OPUS:
            samples = 3840;
            break;
        default:
            break;
    }
    const int rate = is->codecpar->sample_rate;
    if (lane->trim != Trim::None && rate > 0)
        lane->preroll = av_rescale_q(samples, AVRational{1, rate}, is->time_base);
}

// The samples of the lane's first packet ahead of the range's start, at Opus's 48 kHz.
// Ogg's granules count samples; Matroska's times are whole milliseconds, so its lead is
// taken from the range's own start.
int64_t Cutter::OpusLead(int index) const {
    const Lane& lane = m_Lanes[index];
    const AVStream* is = m_In->streams[index];
    if (lane.trim == Trim::PreSkip)
        return av_rescale_q(-std::min<int64_t>(lane.firstWritten, 0), is->time_base,
                            AVRational{1, 48000});
    return lane.lead48;
}

// The first sample of a Matroska Opus packet at pts, at 48 kHz on the source's time line.
// Matroska's times are rounded to its ticks (a millisecond); readers count the samples from
// the stream's first packet, so the packet is put where that count puts it.
int64_t Cutter::OpusStartOf(int index, int64_t pts, int samples) const {
    const AVStream* is = m_In->streams[index];
    const AVRational at48{1, 48000};
    const int64_t time = av_rescale_q(pts, is->time_base, at48);
    if (is->start_time == AV_NOPTS_VALUE)
        return time;
    const int64_t halfTick = av_rescale_q(1, is->time_base, at48) / 2 + 1;
    return OpusGridTime(time, FirstOpusSample(index) - SourcePreSkip(index), samples, halfTick);
}

int Cutter::SourcePreSkip(int index) const {
    const uint8_t* head = m_In->streams[index]->codecpar->extradata;
    return head[10] | (head[11] << 8);
}

// The source's first sample kept after its pre-skip, where readers place it: the first
// packet's time and the pre-skip, each in the container's ticks.
int64_t Cutter::FirstOpusSample(int index) const {
    const AVStream* is = m_In->streams[index];
    const AVRational at48{1, 48000};
    if (is->start_time == AV_NOPTS_VALUE)
        return INT64_MIN / 2;
    return av_rescale_q(is->start_time + av_rescale_q(SourcePreSkip(index), at48, is->time_base),
                        is->time_base, at48);
}

// Whether the header waits for the first packet of a Matroska Opus stream, whose lead
// ahead of the range the header states.
bool Cutter::AwaitingLead() const {
    for (const Lane& lane : m_Lanes)
        if (lane.out >= 0 && lane.trim == Trim::CodecDelay && lane.firstWritten == AV_NOPTS_VALUE &&
            !lane.done)
            return true;
    return false;
}

bool Cutter::WriteWaiting() {
    auto waiting = std::move(m_Waiting);
    m_Waiting.clear();
    for (auto& [index, packet] : waiting)
        if (!WritePacket(packet.get(), index))
            return false;
    return true;
}

// The header goes out with the first packet, when the sound's lead ahead of the range is
// known: Opus states it in its header (pre-skip), and Matroska as the codec's delay too.
bool Cutter::WriteHeader() {
    m_HeaderWritten = true;
    for (unsigned i = 0; i < m_In->nb_streams; ++i) {
        const Lane& lane = m_Lanes[i];
        if (lane.out < 0 || (lane.trim != Trim::PreSkip && lane.trim != Trim::CodecDelay) ||
            lane.firstWritten == AV_NOPTS_VALUE)
            continue;
        AVCodecParameters* par = m_Out->streams[lane.out]->codecpar;
        const int64_t preSkip = OpusLead(static_cast<int>(i));
        if (preSkip > 0xFFFF)
            return false;
        par->extradata[10] = static_cast<uint8_t>(preSkip & 0xFF);
        par->extradata[11] = static_cast<uint8_t>(preSkip >> 8);
        par->initial_padding = static_cast<int>(preSkip);
    }
    const int r = avformat_write_header(m_Out.get(), &m_HeaderOptions);
    av_dict_free(&m_HeaderOptions);
    if (r < 0)
        m_Result.detail = AvError(r);
    return r >= 0;
}

bool Cutter::CopyStreamSetup() {
    AVFormatContext* in = m_In.get();
    AVFormatContext* out = m_Out.get();
    const int64_t origin = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    const int64_t startUs = origin + llround(m_Start * AV_TIME_BASE);
    const int64_t endUs = origin + llround(m_End * AV_TIME_BASE);
    m_Lanes.assign(in->nb_streams, Lane{});
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        AVStream* is = in->streams[i];
        const AVMediaType type = is->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO &&
            type != AVMEDIA_TYPE_SUBTITLE)
            continue;
        if (is->disposition & AV_DISPOSITION_ATTACHED_PIC)
            continue;
        // Some muxers cannot tell (MP3's and Ogg's answer with an error); as the target is
        // the source's own kind, its sound and pictures are offered to them all the same.
        const int takes =
            avformat_query_codec(out->oformat, is->codecpar->codec_id, FF_COMPLIANCE_NORMAL);
        if (takes == 0 || (takes < 0 && type == AVMEDIA_TYPE_SUBTITLE))
            continue;
        AVStream* os = avformat_new_stream(out, nullptr);
        if (!os || avcodec_parameters_copy(os->codecpar, is->codecpar) < 0)
            return false;
        // A tag of another container's table would be refused; the muxer picks its own.
        unsigned tag = 0;
        if (!out->oformat->codec_tag ||
            av_codec_get_id(out->oformat->codec_tag, is->codecpar->codec_tag) !=
                is->codecpar->codec_id ||
            !av_codec_get_tag2(out->oformat->codec_tag, is->codecpar->codec_id, &tag))
            os->codecpar->codec_tag = 0;
        if (os->codecpar->codec_id == AV_CODEC_ID_FLAC) {
            // The source's header states its whole length and the fingerprint of its whole
            // sound; neither holds for the range, and "unknown" is what the format allows.
            ForgetFlacTotals(os->codecpar);
            m_Flac = true;
        }
        os->time_base = is->time_base;
        os->avg_frame_rate = is->avg_frame_rate;
        os->r_frame_rate = is->r_frame_rate;
        os->sample_aspect_ratio = is->sample_aspect_ratio;
        os->disposition = is->disposition;
        av_dict_copy(&os->metadata, is->metadata, 0);
        // Rotation (the display matrix) and the rest of the stream's side data.
        for (int s = 0; s < is->nb_side_data; ++s) {
            const AVPacketSideData& sd = is->side_data[s];
            uint8_t* copy = av_stream_new_side_data(os, sd.type, sd.size);
            if (!copy)
                return false;
            std::memcpy(copy, sd.data, sd.size);
        }
        Lane& lane = m_Lanes[i];
        lane.out = os->index;
        lane.start = av_rescale_q(startUs, AV_TIME_BASE_Q, is->time_base);
        lane.end = av_rescale_q(endUs, AV_TIME_BASE_Q, is->time_base);
        lane.startUs = startUs;
        lane.endUs = endUs;
        lane.slack = av_rescale_q(1000, AV_TIME_BASE_Q, is->time_base);
        if (type == AVMEDIA_TYPE_VIDEO && m_Video < 0)
            m_Video = static_cast<int>(i);
        if (type == AVMEDIA_TYPE_AUDIO)
            ChooseTrim(is, &lane);
        if (lane.trim == Trim::EdgeFrames && !m_FlacRange) {
            const AVRational samples{1, is->codecpar->sample_rate};
            m_FlacRange =
                std::make_unique<FlacRange>(av_rescale_q(lane.start, is->time_base, samples),
                                            av_rescale_q(lane.end, is->time_base, samples));
            if (!m_FlacRange->Open(is->codecpar))
                return false;
            m_FlacLane = static_cast<int>(i);
        }
    }
    av_dict_copy(&out->metadata, in->metadata, 0);
    return out->nb_streams > 0;
}

void Cutter::CopyChapters() {
    AVFormatContext* in = m_In.get();
    const int64_t origin = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    for (unsigned i = 0; i < in->nb_chapters; ++i) {
        const AVChapter* c = in->chapters[i];
        const int64_t s =
            av_rescale_q(origin + llround(m_Start * AV_TIME_BASE), AV_TIME_BASE_Q, c->time_base);
        const int64_t e =
            av_rescale_q(origin + llround(m_End * AV_TIME_BASE), AV_TIME_BASE_Q, c->time_base);
        if (c->end <= s || c->start >= e)
            continue;
        auto* copy = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!copy)
            return;
        copy->id = c->id;
        copy->time_base = c->time_base;
        copy->start = std::max(c->start, s) - s;
        copy->end = std::min(c->end, e) - s;
        av_dict_copy(&copy->metadata, c->metadata, 0);
        int count = static_cast<int>(m_Out->nb_chapters);
        av_dynarray_add(&m_Out->chapters, &count, copy);
        m_Out->nb_chapters = static_cast<unsigned>(count);
    }
}

bool Cutter::WritePacket(AVPacket* p, int sourceIndex) {
    const Lane& lane = m_Lanes[sourceIndex];
    AVStream* is = m_In->streams[sourceIndex];
    AVStream* os = m_Out->streams[lane.out];
    if (!m_HeaderWritten && lane.trim != Trim::CodecDelay && AwaitingLead()) {
        PacketPtr copy(av_packet_clone(p));
        if (!copy)
            return false;
        m_Waiting.emplace_back(sourceIndex, std::move(copy));
        return true;
    }
    if (p->pts != AV_NOPTS_VALUE)
        p->pts -= lane.start;
    if (p->dts != AV_NOPTS_VALUE)
        p->dts -= lane.start;
    Lane& written = m_Lanes[sourceIndex];
    if (written.firstWritten == AV_NOPTS_VALUE) {
        written.firstWritten = p->pts == AV_NOPTS_VALUE ? 0 : p->pts;
        // MP3's muxer writes the encoder's delay of its note from the first packet's
        // samples to skip, less the decoder's own 529.
        if (written.trim == Trim::Gapless && written.firstWritten < 0 &&
            !SetSkipSamples(p,
                            av_rescale_q(-written.firstWritten, is->time_base,
                                         AVRational{1, is->codecpar->sample_rate}),
                            -1))
            return false;
    }
    if (written.trim == Trim::CodecDelay) {
        // Matroska's times cannot be negative: the sound's first packet starts the time
        // line, the decoder drops the codec's delay from it, and so its first sample kept
        // is the range's first.
        if (p->pts != AV_NOPTS_VALUE)
            p->pts -= written.firstWritten;
        if (p->dts != AV_NOPTS_VALUE)
            p->dts -= written.firstWritten;
    }
    if (p->pts != AV_NOPTS_VALUE)
        written.writtenUntil = p->pts + std::max<int64_t>(p->duration, 0);
    if (!m_HeaderWritten && (!WriteHeader() || !WriteWaiting()))
        return false;
    av_packet_rescale_ts(p, is->time_base, os->time_base);
    if (os->codecpar->codec_id == AV_CODEC_ID_FLAC && p->duration > 0)
        m_FlacSamples +=
            av_rescale_q(p->duration, os->time_base, AVRational{1, os->codecpar->sample_rate});
    p->stream_index = lane.out;
    p->pos = -1;
    const int r = av_interleaved_write_frame(m_Out.get(), p);
    if (r < 0) {
        m_Result.detail = AvError(r);
        return false;
    }
    ++m_PacketsWritten;
    return true;
}

bool Cutter::StartDecoder() {
    AVStream* st = m_In->streams[m_Video];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    AVCodecContext* c = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!c)
        return false;
    m_Decoder.reset(c);
    if (avcodec_parameters_to_context(c, st->codecpar) < 0)
        return false;
    c->pkt_timebase = st->time_base;
    c->thread_count = 0;
    return avcodec_open2(c, codec, nullptr) >= 0;
}

bool Cutter::Decode(AVPacket* p) {
    if (!m_Decoder)
        return true;
    if (avcodec_send_packet(m_Decoder.get(), p) < 0 && p)
        return true;  // a damaged packet: its frame is missing, the cut goes on
    AVFrame* f = av_frame_alloc();
    if (!f)
        return false;
    const Lane& lane = m_Lanes[m_Video];
    const int64_t headEnd = m_KeyPts == AV_NOPTS_VALUE ? lane.end : std::min(m_KeyPts, lane.end);
    const int64_t from = m_InTail ? m_MaxCopiedPts + 1 : lane.start - lane.slack;
    const int64_t until = (m_InTail ? lane.end : headEnd) - lane.slack;
    bool ok = true;
    while (ok && avcodec_receive_frame(m_Decoder.get(), f) >= 0) {
        const int64_t pts = f->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE && pts >= from && pts < until) {
            if (!m_Head) {
                m_Head = std::make_unique<HeadEncoder>();
                if (!m_Head->Open(m_In->streams[m_Video], m_Decoder.get(), f)) {
                    m_ReencodeFailed = true;
                    ok = false;
                }
            }
            if (ok && !m_Head->Add(f)) {
                m_ReencodeFailed = true;
                ok = false;
            }
            if (ok)
                ++m_Result.reencodedFrames;
        }
        av_frame_unref(f);
    }
    av_frame_free(&f);
    return ok;
}

bool Cutter::EmitHead() {
    if (!Decode(nullptr))
        return false;
    m_Decoder.reset();
    if (m_Head) {
        if (!m_Head->Finish()) {
            m_ReencodeFailed = true;
            return false;
        }
        // Decoding times sit the copied keyframe's delay before the showing times, so
        // that they still rise into the copied packets.
        for (AVPacket*& p : m_Head->Packets()) {
            p->dts = p->pts - m_KeyDelay;
            if (m_LastVideoDts != INT64_MIN && p->dts <= m_LastVideoDts)
                p->dts = m_LastVideoDts + 1;
            m_LastVideoDts = p->dts;
            if (!WritePacket(p, m_Video))
                return false;
        }
        m_Head.reset();
    }
    return FlushHeld();
}

bool Cutter::NoteCopied(const AVPacket* p) {
    ++m_Result.copiedVideoPackets;
    if (p->flags & AV_PKT_FLAG_KEY)
        m_Group.clear();
    m_Group.emplace_back(av_packet_clone(p));
    const int64_t pts = p->pts == AV_NOPTS_VALUE ? p->dts : p->pts;
    m_MaxCopiedPts = std::max(m_MaxCopiedPts, pts);
    return m_Group.back() != nullptr;
}

// The group's pictures within the range that were not copied, decoded from its keyframe
// and encoded as a head is, after the last copied one.
bool Cutter::EmitTail() {
    if (m_TailPictures == 0 || m_Group.empty())
        return true;
    m_TailPictures = 0;
    m_InTail = true;
    if (!StartDecoder())
        return false;
    for (const PacketPtr& p : m_Group)
        if (!Decode(p.get()))
            return false;
    m_Group.clear();
    return EmitHead();
}

bool Cutter::PrependSourceSets(AVPacket* keyframe) {
    const std::vector<uint8_t> sets =
        HeadEncoder::SourceParameterSets(m_In->streams[m_Video]->codecpar);
    if (sets.empty())
        return true;
    PacketPtr joined(av_packet_alloc());
    if (!joined || av_new_packet(joined.get(), static_cast<int>(sets.size()) + keyframe->size) < 0)
        return false;
    std::memcpy(joined->data, sets.data(), sets.size());
    std::memcpy(joined->data + sets.size(), keyframe->data, keyframe->size);
    av_packet_copy_props(joined.get(), keyframe);
    av_packet_unref(keyframe);
    av_packet_move_ref(keyframe, joined.get());
    return true;
}

bool Cutter::FlushHeld() {
    while (!m_Held.empty()) {
        auto [index, packet] = std::move(m_Held.front());
        m_Held.pop_front();
        if (index == m_Video) {
            if (!NoteCopied(packet.get()))
                return false;
            m_LastVideoDts = packet->dts;
        }
        if (!WritePacket(packet.get(), index))
            return false;
    }
    return true;
}

// The seek should land on the keyframe at or before the start, but a transport stream has
// no index and its demuxer may land a little after it, even past the first keyframe of the
// file. Each later attempt goes further back, the last to the file's first byte.
void Cutter::SeekBefore(int attempt) {
    m_SeekAttempt = attempt;
    AVFormatContext* in = m_In.get();
    const int64_t origin = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    const int64_t target = origin + llround(m_Start * AV_TIME_BASE);
    const bool transport = ContainerFamilyOf(m_Source) == ContainerFamily::Transport;
    constexpr int64_t kBackUs[kLastSeekAttempt] = {0, 3 * AV_TIME_BASE, 12 * AV_TIME_BASE};
    const int64_t back = attempt >= kLastSeekAttempt
                             ? target - origin
                             : kBackUs[attempt] + (transport ? 3 * AV_TIME_BASE : 0) +
                                   (m_Video < 0 ? AV_TIME_BASE : 0);  // the sound's lead
    if (attempt >= kLastSeekAttempt || target - back <= origin ||
        av_seek_frame(in, -1, target - back, AVSEEK_FLAG_BACKWARD) < 0) {
        m_SeekAttempt = kLastSeekAttempt;
        // Only a transport stream starts again from its first byte: Matroska's demuxer,
        // for one, takes its header for clusters there and finds no packet.
        if (!transport || av_seek_frame(in, -1, 0, AVSEEK_FLAG_BYTE) < 0)
            av_seek_frame(in, -1, origin, AVSEEK_FLAG_BACKWARD);
    }
}

void Cutter::Restart() {
    m_Reseek = false;
    m_Held.clear();
    for (Lane& lane : m_Lanes) lane.started = lane.done = false;
    m_Phase = Phase::Seeking;
    SeekBefore(m_SeekAttempt + 1);
}

bool Cutter::HandleVideo(PacketPtr p) {
    Lane& lane = m_Lanes[m_Video];
    const bool key = p->flags & AV_PKT_FLAG_KEY;
    const int64_t pts = p->pts == AV_NOPTS_VALUE ? p->dts : p->pts;
    switch (m_Phase) {
        case Phase::Seeking:
            if (!key)
                return true;
            if (pts > lane.start + lane.slack && m_Start > 0 && m_SeekAttempt < kLastSeekAttempt) {
                m_Reseek = true;
                return true;
            }
            if (pts >= lane.start - lane.slack) {
                // Starts on a keyframe: nothing to re-encode.
                m_KeyPts = pts;
                m_KeyDelay = p->dts == AV_NOPTS_VALUE ? 0 : pts - p->dts;
                m_Phase = Phase::Copy;
                if (!EmitHead())
                    return false;
                return HandleVideo(std::move(p));
            }
            if (!StartDecoder())
                return false;
            m_Phase = Phase::Head;
            return Decode(p.get());
        case Phase::Head:
            if (p->dts != AV_NOPTS_VALUE && p->dts >= lane.end) {
                m_Phase = Phase::Done;
                return EmitHead();
            }
            if (!key || pts < lane.start)
                return Decode(p.get());
            m_KeyPts = pts;
            m_KeyDelay = p->dts == AV_NOPTS_VALUE ? 0 : pts - p->dts;
            if (pts >= lane.end - lane.slack) {
                m_Phase = Phase::Done;
                return Decode(p.get()) && EmitHead();
            }
            m_Phase = Phase::Leading;
            // The decoder sees the keyframe too, for the pictures that show before it.
            if (!Decode(p.get()))
                return false;
            m_Held.emplace_front(m_Video, std::move(p));
            return true;
        case Phase::Leading:
            if (pts < m_KeyPts)
                return Decode(p.get());  // shown before the keyframe: part of the head
            m_Phase = Phase::Copy;
            {
                // The keyframe goes first among the held packets.
                std::deque<std::pair<int, PacketPtr>> rest;
                while (!m_Held.empty() && m_Held.front().first != m_Video) {
                    rest.push_back(std::move(m_Held.front()));
                    m_Held.pop_front();
                }
                auto keyframe = std::move(m_Held.front());
                m_Held.pop_front();
                const bool needsSets = m_Head && m_Head->ReplacesSourceSets();
                if (!EmitHead())
                    return false;
                if (needsSets && !PrependSourceSets(keyframe.second.get()))
                    return false;
                m_Held.push_back(std::move(keyframe));
                for (auto& r : rest) m_Held.push_back(std::move(r));
                if (!FlushHeld())
                    return false;
            }
            return HandleVideo(std::move(p));
        case Phase::Copy:
            if (p->dts != AV_NOPTS_VALUE && p->dts >= lane.end) {
                m_Phase = Phase::Done;
                return EmitTail();
            }
            if (pts < m_KeyPts)
                return true;
            if (pts >= lane.end - lane.slack || m_PastEnd) {
                // Pictures after the first one past the end, in decoding order, may lean
                // on it: they are made again from the group, without it.
                m_Group.emplace_back(av_packet_clone(p.get()));
                if (!m_Group.back())
                    return false;
                if (pts < lane.end - lane.slack)
                    ++m_TailPictures;
                m_PastEnd = true;
                return true;
            }
            if (!NoteCopied(p.get()))
                return false;
            m_LastVideoDts = p->dts;
            return WritePacket(p.get(), m_Video);
        case Phase::Done:
            return true;
    }
    return true;
}

bool Cutter::HandleOther(PacketPtr p) {
    const int index = p->stream_index;
    Lane& lane = m_Lanes[index];
    if (lane.done)
        return true;
    const int64_t pts = p->pts == AV_NOPTS_VALUE ? p->dts : p->pts;
    if (pts == AV_NOPTS_VALUE)
        return true;
    if (index == m_FlacLane)
        return HandleFlac(std::move(p));
    if (lane.trim == Trim::CodecDelay)
        return HandleMatroskaOpus(std::move(p));
    if (pts >= lane.end - lane.slack) {
        lane.done = true;
        return true;
    }
    const AVMediaType type = m_In->streams[index]->codecpar->codec_type;
    if (!lane.started) {
        const int64_t until = pts + std::max<int64_t>(p->duration, 0);
        if (type == AVMEDIA_TYPE_AUDIO && lane.trim != Trim::None) {
            // The packet holding the start goes in whole, after the decoder's lead; the
            // container hides what is before the start.
            if (until <= lane.start - lane.preroll)
                return true;
        } else if (pts < lane.start - lane.slack) {
            return true;
        }
        if (type == AVMEDIA_TYPE_VIDEO && !(p->flags & AV_PKT_FLAG_KEY))
            return true;
        lane.started = true;
    }
    if (type == AVMEDIA_TYPE_AUDIO && lane.trim != Trim::None && p->duration > 0 &&
        pts + p->duration > lane.end) {
        // The container ends the sound where the range does: the edit list's length, the
        // last granule, the padding of the note.
        const int64_t past = pts + p->duration - lane.end;
        p->duration = lane.end - pts;
        // The note's padding comes from the samples the last packet discards.
        if (lane.trim == Trim::Gapless &&
            !SetSkipSamples(
                p.get(), -1,
                av_rescale_q(past, m_In->streams[index]->time_base,
                             AVRational{1, m_In->streams[index]->codecpar->sample_rate})))
            return false;
    }
    return WriteOrHold(index, std::move(p));
}

bool Cutter::WriteOrHold(int index, PacketPtr p) {
    const bool headPending = m_Video >= 0 && (m_Phase == Phase::Seeking || m_Phase == Phase::Head ||
                                              m_Phase == Phase::Leading);
    if (headPending) {
        m_Held.emplace_back(index, std::move(p));
        return true;
    }
    return WritePacket(p.get(), index);
}

// Counted in samples rather than in the container's milliseconds: the first packet is the
// one the decoder settles on ahead of the start, and the last one's padding leaves the
// range's last sample the last decoded.
bool Cutter::HandleMatroskaOpus(PacketPtr p) {
    const int index = p->stream_index;
    Lane& lane = m_Lanes[index];
    const AVStream* is = m_In->streams[index];
    const int samples = OpusPacketSamples(p->data, p->size);
    if (samples == 0)
        return true;  // damaged: no decoder could count it either
    const int64_t pts = p->pts == AV_NOPTS_VALUE ? p->dts : p->pts;
    if (!lane.started) {
        if (pts + av_rescale_q(samples, AVRational{1, 48000}, is->time_base) <=
            lane.start - lane.preroll)
            return true;
        lane.started = true;
        lane.at48 = OpusStartOf(index, pts, samples);
        // Nothing of the source's own pre-skip is the range's, even from its very start.
        lane.from48 =
            std::max(av_rescale(lane.startUs, 48000, AV_TIME_BASE), FirstOpusSample(index));
        lane.until48 = av_rescale(lane.endUs, 48000, AV_TIME_BASE);
        lane.lead48 = std::max<int64_t>(0, lane.from48 - lane.at48);
    }
    if (lane.at48 >= lane.until48) {
        lane.done = true;
        return true;
    }
    const int64_t past = lane.at48 + samples - lane.until48;
    lane.at48 += samples;
    if (past > 0) {
        lane.done = true;
        if (!SetSkipSamples(p.get(), -1, past))
            return false;
    }
    return WriteOrHold(index, std::move(p));
}

bool Cutter::HandleFlac(PacketPtr p) {
    const int index = p->stream_index;
    const AVStream* is = m_In->streams[index];
    const int64_t first = av_rescale_q(p->pts == AV_NOPTS_VALUE ? p->dts : p->pts, is->time_base,
                                       AVRational{1, is->codecpar->sample_rate});
    std::vector<FlacRange::Frame> frames;
    if (!m_FlacRange->Take(p->data, p->size, first, &frames)) {
        m_ReencodeFailed = true;
        m_Result.detail = "a FLAC frame at the range's edge could not be made again";
        return false;
    }
    m_Lanes[index].done = m_FlacRange->Done();
    return WriteFlacFrames(index, frames);
}

bool Cutter::FinishFlac() {
    std::vector<FlacRange::Frame> frames;
    if (!m_FlacRange->Finish(&frames)) {
        m_ReencodeFailed = true;
        return false;
    }
    return WriteFlacFrames(m_FlacLane, frames);
}

bool Cutter::WriteFlacFrames(int index, std::vector<FlacRange::Frame>& frames) {
    const Lane& lane = m_Lanes[index];
    const AVStream* is = m_In->streams[index];
    const AVRational samples{1, is->codecpar->sample_rate};
    for (FlacRange::Frame& f : frames) {
        PacketPtr out(av_packet_alloc());
        if (!out || av_new_packet(out.get(), static_cast<int>(f.data.size())) < 0)
            return false;
        std::memcpy(out->data, f.data.data(), f.data.size());
        out->pts = out->dts = lane.start + av_rescale_q(f.first, samples, is->time_base);
        out->duration = av_rescale_q(f.samples, samples, is->time_base);
        out->flags = AV_PKT_FLAG_KEY;
        out->stream_index = index;
        if (!WriteOrHold(index, std::move(out)))
            return false;
    }
    return true;
}

CopyCutResult Cutter::Run() {
    if (!(m_Start >= 0) || !(m_End > m_Start))
        return Fail(CopyCutError::BadRange);
    if (ContainerFamilyOf(m_Target) == ContainerFamily::None ||
        ContainerFamilyOf(m_Target) != ContainerFamilyOf(m_Source))
        return Fail(CopyCutError::WrongFamily);
    AVFormatContext* in = nullptr;
    int r = avformat_open_input(&in, m_Source.c_str(), nullptr, nullptr);
    if (r < 0)
        return Fail(CopyCutError::CannotOpen, AvError(r));
    m_In.reset(in);
    if ((r = avformat_find_stream_info(in, nullptr)) < 0)
        return Fail(CopyCutError::CannotOpen, AvError(r));
    if (!OpenOutput() || !CopyStreamSetup())
        return Fail(CopyCutError::NoStreams);
    CopyChapters();

    ConversionFile file;
    const std::string partial = file.Begin(m_Target);
    if (partial.empty())
        return Fail(CopyCutError::CannotWrite, "no scratch file beside the target");
    struct Abandon {
        ConversionFile& f;
        ~Abandon() { f.Abandon(); }
    } abandon{file};
    if ((r = avio_open(&m_Out->pb, partial.c_str(), AVIO_FLAG_WRITE)) < 0)
        return Fail(CopyCutError::CannotWrite, AvError(r));
    // Blu-ray streams carry a four-byte time code before every packet.
    if (m_Target.size() > 5 && strcasecmp(m_Target.c_str() + m_Target.size() - 5, ".m2ts") == 0)
        av_dict_set(&m_HeaderOptions, "mpegts_m2ts_mode", "1", 0);
    // The sound's lead before the range is stated by the container, not shifted away.
    for (const Lane& lane : m_Lanes)
        if (lane.trim == Trim::PreSkip || lane.trim == Trim::Gapless)
            m_Out->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;

    if (m_Start > 0)
        SeekBefore(0);

    bool ok = true;
    for (;;) {
        PacketPtr p(av_packet_alloc());
        if (!p)
            return Fail(CopyCutError::CannotWrite, "out of memory");
        r = av_read_frame(in, p.get());
        if (r < 0)
            break;
        const int index = p->stream_index;
        if (index < 0 || index >= static_cast<int>(m_Lanes.size()) || m_Lanes[index].out < 0)
            continue;
        if (m_Progress && p->pts != AV_NOPTS_VALUE) {
            const double at =
                (p->pts - m_Lanes[index].start) * av_q2d(in->streams[index]->time_base);
            if (!m_Progress(std::max(0.0, at)))
                return Fail(CopyCutError::CannotWrite, "cancelled");
        }
        ok = index == m_Video ? HandleVideo(std::move(p)) : HandleOther(std::move(p));
        if (!ok)
            break;
        if (m_Reseek) {
            Restart();
            continue;
        }
        bool finished = m_Video < 0 || m_Phase == Phase::Done;
        for (size_t i = 0; finished && i < m_Lanes.size(); ++i)
            if (static_cast<int>(i) != m_Video && m_Lanes[i].out >= 0 && !m_Lanes[i].done)
                finished = false;
        if (finished)
            break;
    }
    if (ok && m_Video >= 0 && m_Phase != Phase::Copy && m_Phase != Phase::Done)
        ok = EmitHead();  // the file ended inside the head
    else if (ok && m_Phase == Phase::Copy)
        ok = EmitTail();
    if (ok && m_FlacRange)
        ok = FinishFlac();
    if (ok)
        ok = FlushHeld();
    if (!ok)
        return Fail(m_ReencodeFailed ? CopyCutError::CannotReencode : CopyCutError::CannotWrite,
                    m_Result.detail);
    if (m_Result.copiedVideoPackets == 0 && m_Result.reencodedFrames == 0 && m_Video >= 0)
        return Fail(CopyCutError::Empty);
    if (!m_HeaderWritten && (!WriteHeader() || !WriteWaiting()))
        return Fail(CopyCutError::CannotWrite, m_Result.detail);
    // A file of no sound is no cut of it, whatever the reason the range held none.
    if (m_PacketsWritten == 0)
        return Fail(CopyCutError::Empty);
    if ((r = av_write_trailer(m_Out.get())) < 0)
        return Fail(CopyCutError::CannotWrite, AvError(r));
    const bool flushed = m_Out->pb->error == 0;
    avio_closep(&m_Out->pb);
    // Only FLAC's own container has the stream header in the file's first bytes.
    const bool flacFile = m_Flac && !std::strcmp(m_Out->oformat->name, "flac");
    if (flushed && flacFile &&
        !StoreFlacStreamInfo(partial, m_FlacSamples, m_FlacRange ? m_FlacRange->MinBlockSize() : 0,
                             m_FlacRange ? m_FlacRange->MaxBlockSize() : 0))
        return Fail(CopyCutError::CannotWrite, "the stream header could not be completed");
    if (!flushed || FAILED(file.Commit()))
        return Fail(CopyCutError::CannotWrite, "the file could not be completed");
    return m_Result;
}

}  // namespace

CopyCutResult StreamCopyCut::Run(const std::string& source, const std::string& target,
                                 double startSeconds, double endSeconds,
                                 const std::function<bool(double)>& progress) {
    av_log_set_level(AV_LOG_ERROR);
    Cutter cutter(source, target, startSeconds, endSeconds, progress);
    return cutter.Run();
}
