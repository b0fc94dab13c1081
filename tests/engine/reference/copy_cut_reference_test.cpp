// Cuts kept in the source's own format, from every kind of source people bring, judged
// only by other programs: ffmpeg reads the frame numbers (turned upright by the stream's
// rotation) and the sound, ffprobe hashes the packets, GStreamer plays the file through.
// The range starts between keyframes, so each cut has a re-encoded head and a copied rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include <unistd.h>
#include <cstring>

#include "engine/stream_copy_cut.h"
#include "tests/engine/reference/cut_fixture.h"
#include "tests/support/media_factory.h"
#include "tests/support/reference_media.h"

using reference::Fixed;
using reference::Note;
using reference::Quoted;
using refmedia::kFrameRate;

namespace {

constexpr double kSourceSeconds = 6.0;
// Frame 33 up to frame 114; keyframes every 2 s (frames 50 and 100) lie inside. The end
// falls where the B-frames of the last group wait on a picture past it.
constexpr double kStart = 1.32;
constexpr double kEnd = 4.6;

std::string Capture(const std::string& command, std::string* err = nullptr) {
    std::string errFile;
    if (err) {
        char name[] = "/tmp/veltra-copycut-err-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        errFile = name;
    }
    std::string out;
    const std::string full = command + " </dev/null 2>" + (err ? errFile : "/dev/null");
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(full.c_str(), "r"), pclose);
    if (pipe) {
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    }
    pipe.reset();
    if (err) {
        std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(errFile.c_str(), "rb"), std::fclose);
        char buffer[4096];
        size_t n;
        while (f && (n = fread(buffer, 1, sizeof buffer, f.get())) > 0) err->append(buffer, n);
        std::remove(errFile.c_str());
    }
    return out;
}

// The frame numbers ffmpeg shows, in showing order; it turns pictures by their rotation.
std::vector<int> FramesOf(const std::string& file) {
    constexpr int w = 96, h = 72;  // the number's blocks survive any size
    const std::string raw =
        Capture("ffmpeg -v error -nostdin -i " + Quoted(file) +
                " -map 0:v:0 -fps_mode passthrough -vf scale=" + std::to_string(w) + ":" +
                std::to_string(h) + ",format=gray -f rawvideo -");
    std::vector<int> frames;
    for (size_t at = 0; at + w * h <= raw.size(); at += w * h)
        frames.push_back(
            refmedia::FrameNumberOf(reinterpret_cast<const uint8_t*>(raw.data()) + at, w, h, w));
    return frames;
}

int SampleRateOf(const std::string& file) {
    return std::atoi(Capture("ffprobe -v error -select_streams a:0 -show_entries "
                             "stream=sample_rate -of csv=p=0 " +
                             Quoted(file))
                         .c_str());
}

// The first channel as ffmpeg decodes it, from `from` seconds of the file's time line
// for `seconds` (both ignored when seconds is 0), exactly trimmed by ffmpeg itself.
std::vector<float> SoundOf(const std::string& file, double from = 0, double seconds = 0) {
    std::string range;
    if (seconds > 0)
        range = "-ss " + Fixed(from, 6) + " -t " + Fixed(seconds, 6) + " ";
    const std::string raw = Capture("ffmpeg -v error -nostdin " + range + "-i " + Quoted(file) +
                                    " -map 0:a:0 -af 'pan=mono|c0=c0' -f f32le -c:a pcm_f32le -");
    std::vector<float> out(raw.size() / sizeof(float));
    std::memcpy(out.data(), raw.data(), out.size() * sizeof(float));
    return out;
}

struct Packet {
    double time;  // showing time, seconds of the file's own time line
    bool key;
    std::string hash;
};

// Video packets in decoding order. One key a line: side data (a transport stream's stream
// id) sits between a packet's fields.
std::vector<Packet> PacketsOf(const std::string& file) {
    std::istringstream lines(
        Capture("ffprobe -v error -select_streams v:0 -show_packets -show_data_hash MD5 "
                "-show_entries packet=pts_time,flags,data_hash -of default=nw=1 " +
                Quoted(file)));
    std::vector<Packet> packets;
    Packet p{NAN, false, {}};
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "pts_time")
            p.time = value == "N/A" ? NAN : std::atof(value.c_str());
        else if (key == "flags")
            p.key = value.find('K') != std::string::npos;
        else if (key == "data_hash") {
            p.hash = value;
            packets.push_back(p);
            p = Packet{NAN, false, {}};
        }
    }
    return packets;
}

// The time readers give the first sample they decode of the file's sound.
double FirstSoundTimeOf(const std::string& file) {
    const std::string s = Capture(
        "ffprobe -v error -select_streams a:0 -show_entries frame=pts_time -read_intervals %+#1 "
        "-of csv=p=0 " +
        Quoted(file));
    return s.empty() || s.rfind("N/A", 0) == 0 ? 0.0 : std::atof(s.c_str());
}

double StartTimeOf(const std::string& file) {
    const std::string s =
        Capture("ffprobe -v error -show_entries format=start_time -of csv=p=0 " + Quoted(file));
    return s.empty() || s.rfind("N/A", 0) == 0 ? 0.0 : std::atof(s.c_str());
}

// Whatever ffprobe and a full ffmpeg decode say about the file at level warning.
std::string WarningsOf(const std::string& file) {
    std::string said;
    Capture("ffprobe -v warning -show_format -show_streams " + Quoted(file), &said);
    Capture("ffmpeg -v warning -nostdin -i " + Quoted(file) + " -f null -", &said);
    return said;
}

struct SourceKind {
    const char* key;
    const char* name;
    const char* options;  // ffmpeg's, from the numbered video and the known sound
    bool video;
    bool trims;      // the container says how many leading and trailing samples to drop, or
                     // the edge frames are made again
    int soundFrame;  // samples of one sound frame at the file's rate
    bool sameSets;   // the copied keyframe keeps its bytes (no parameter sets put in front)
};

constexpr char kH264[] =
    "-c:v libx264 -profile:v high -bf 2 -g 50 -keyint_min 50 -sc_threshold 0 -pix_fmt yuv420p ";

const SourceKind kKinds[] = {
    {"h264-mp4", "clip.mp4", "-c:a aac -b:a 160k -f mp4", true, true, 1024, true},
    {"h264-mkv", "clip.mkv", "-c:a aac -b:a 160k -f matroska", true, false, 1024, true},
    {"hevc-mp4", "hevc.mp4",
     "-c:v libx265 -tag:v hvc1 -x265-params "
     "log-level=error:keyint=50:min-keyint=50:scenecut=0:bframes=2 -pix_fmt yuv420p "
     "-c:a aac -b:a 160k -f mp4",
     true, true, 1024, false},
    // The head's parameter sets go in-band: ahead of the configuration's in Matroska, after
    // the keyframes' own in a transport stream.
    {"hevc-mkv", "hevc.mkv",
     "-c:v libx265 -x265-params "
     "log-level=error:keyint=50:min-keyint=50:scenecut=0:bframes=2 -pix_fmt yuv420p "
     "-c:a aac -b:a 160k -f matroska",
     true, false, 1024, false},
    {"hevc-ts", "hevc.ts",
     "-c:v libx265 -x265-params "
     "log-level=error:keyint=50:min-keyint=50:scenecut=0:bframes=2 -pix_fmt yuv420p "
     "-c:a aac -b:a 160k -f mpegts",
     true, false, 1024, true},
    // HEVC as GStreamer's x265enc writes it (its own encoder settings and parameter sets).
    {"x265enc-mp4", "x265enc.mp4", "", true, true, 1024, false},
    {"vp9-webm", "clip.webm",
     "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 1M -g 50 -c:a libopus -f webm", true,
     true, 960, true},
    {"phone-mp4", "phone.mp4", "", true, true, 1024, true},
    {"vfr-mp4", "vfr.mp4",
     "-vf \"select='lt(t\\,2)+gte(t\\,4)+not(mod(n\\,5))'\" -fps_mode vfr -c:a aac -b:a 160k "
     "-f mp4",
     true, true, 1024, true},
    {"h264-ts", "clip.ts", "-c:a aac -b:a 160k -output_ts_offset 3600 -f mpegts", true, false, 1024,
     true},
    {"mp3", "sound.mp3", "-c:a libmp3lame -b:a 192k -f mp3", false, true, 1152, true},
    {"flac", "sound.flac", "-c:a flac -f flac", false, true, 4608, true},
    {"opus", "sound.opus", "-c:a libopus -b:a 128k -f ogg", false, true, 960, true},
};

std::string g_Dir;
std::map<std::string, std::string> g_Source;

// The numbered pictures encoded by GStreamer's x265enc, with the known sound beside them.
bool X265encVideo(const std::string& base, const std::string& sound, const std::string& out) {
    const std::string video = out + ".video.mp4";
    const bool made =
        reference::Shell("gst-launch-1.0 -q filesrc location=" + Quoted(base) +
                         " ! qtdemux ! h264parse ! avdec_h264 ! videoconvert ! "
                         "video/x-raw,format=I420 ! x265enc key-int-max=50 "
                         "option-string=min-keyint=50:scenecut=0:bframes=2 ! h265parse ! "
                         "mp4mux ! filesink location=" +
                         Quoted(video)) &&
        reference::Shell("ffmpeg -v error -y -nostdin -i " + Quoted(video) + " -i " +
                         Quoted(sound) + " -map 0:v -map 1:a -c:v copy -c:a aac -b:a 160k " +
                         Quoted(out));
    std::remove(video.c_str());
    return made;
}

class CopyCutReference : public ::testing::TestWithParam<SourceKind> {
  public:
    static void SetUpTestSuite() {
        g_Dir = testmedia::MakeTempDir("copy-cut");
        // Grain, as in camera pictures, so that a picture decoded from other references than
        // the source's shows it: flat blocks come out the same from nearly anything.
        const std::string base =
            refmedia::NumberedVideo(g_Dir, "base.mp4", kSourceSeconds, 320, 240, true);
        const std::string sound = refmedia::KnownSound(g_Dir, "base.wav", kSourceSeconds);
        for (const SourceKind& k : kKinds) {
            const std::string out = g_Dir + "/" + k.name;
            if (std::string(k.key) == "phone-mp4") {
                g_Source[k.key] = refmedia::PhoneVideo(g_Dir, k.name, kSourceSeconds);
                continue;
            }
            if (std::string(k.key) == "x265enc-mp4") {
                g_Source[k.key] = X265encVideo(base, sound, out) ? out : "";
                continue;
            }
            const std::string video = std::string(k.options).rfind("-c:v", 0) == 0 ? "" : kH264;
            const std::string inputs = k.video ? "-i " + Quoted(base) + " -i " + Quoted(sound) +
                                                     " -map 0:v -map 1:a " + video
                                               : "-i " + Quoted(sound) + " ";
            const bool made = reference::Shell("ffmpeg -v error -y -nostdin " + inputs + k.options +
                                               " " + Quoted(out));
            g_Source[k.key] = made ? out : "";
        }
    }
    static void TearDownTestSuite() {
        testmedia::RemoveTree(g_Dir);
        g_Source.clear();
        reference::PrintNotes();
    }
};

// The source's frames that show within the range, by their numbers (which tell their time).
std::vector<int> FramesInRange(const std::vector<int>& source) {
    std::vector<int> in;
    for (int n : source)
        if (n >= 0 && n >= std::lround(kStart * kFrameRate) && n < std::lround(kEnd * kFrameRate))
            in.push_back(n);
    return in;
}

void ExpectFrames(const SourceKind& k, const std::string& source, const std::string& cut) {
    const std::vector<int> want = FramesInRange(FramesOf(source));
    const std::vector<int> got = FramesOf(cut);
    ASSERT_FALSE(want.empty());
    ASSERT_FALSE(got.empty());
    Note(std::string(k.key) + ": frames " + std::to_string(got.front()) + ".." +
         std::to_string(got.back()) + " (want " + std::to_string(want.front()) + ".." +
         std::to_string(want.back()) + "), " + std::to_string(got.size()) + " for " +
         std::to_string(want.size()));
    EXPECT_EQ(got, want);
    // GStreamer plays it through to its end; it reads the numbers too unless the
    // pictures are stored turned.
    const refmedia::Decoded d = refmedia::Decode(cut, false);
    EXPECT_TRUE(d.ok) << d.error;
    if (std::string(k.key) != "phone-mp4") {
        EXPECT_EQ(d.frames, want) << "as GStreamer shows them";
    }
}

// The decoded pictures' hashes in showing order, as ffmpeg gives them.
std::vector<std::string> PictureHashes(const std::string& file) {
    std::istringstream lines(Capture("ffmpeg -v error -nostdin -i " + Quoted(file) +
                                     " -map 0:v:0 -fps_mode passthrough -f framemd5 -"));
    std::vector<std::string> hashes;
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty() && line[0] != '#')
            hashes.push_back(line.substr(line.rfind(',') + 1));
    return hashes;
}

// A copied picture decodes to the source's very pixels only when every picture it leans
// on is the source's too: a B-frame whose later reference was left out past the end
// decodes to something else, quietly.
void ExpectSourcePictures(const std::string& source, const std::string& cut, size_t copied) {
    const std::vector<int> sourceNumbers = FramesOf(source);
    const std::vector<std::string> sourceHashes = PictureHashes(source);
    ASSERT_EQ(sourceNumbers.size(), sourceHashes.size());
    std::map<int, std::string> byNumber;
    for (size_t i = 0; i < sourceNumbers.size(); ++i) byNumber[sourceNumbers[i]] = sourceHashes[i];
    const std::vector<int> numbers = FramesOf(cut);
    const std::vector<std::string> hashes = PictureHashes(cut);
    ASSERT_EQ(numbers.size(), hashes.size());
    size_t same = 0;
    for (size_t i = 0; i < numbers.size(); ++i) same += byNumber[numbers[i]] == hashes[i];
    Note("  " + std::to_string(same) + " of " + std::to_string(numbers.size()) +
         " pictures decode to the source's pixels");
    EXPECT_EQ(same, copied) << "pictures decoded to the source's pixels";
}

// From the first keyframe after the start to the last packet before the tail, every
// video packet is the source's, in the source's order.
void ExpectCopiedPackets(const SourceKind& k, const std::string& source, const std::string& cut,
                         size_t* copied) {
    const double origin = StartTimeOf(source);
    const std::vector<Packet> all = PacketsOf(source);
    std::vector<std::string> want;
    double key = -1;
    for (const Packet& p : all) {
        const double t = p.time - origin;
        if (key < 0 && p.key && t >= kStart - 0.001 && t < kEnd)
            key = t;
        if (key >= 0 && t >= kEnd - 0.001)
            break;  // pictures after it in decoding order may need this one: re-encoded
        // Pictures of an open group shown before its keyframe belong to the head.
        if (key >= 0 && t >= key - 0.001)
            want.push_back(p.hash);
    }
    ASSERT_GT(want.size(), 1u);
    const std::vector<Packet> out = PacketsOf(cut);
    size_t at = 0;
    while (at < out.size() && out[at].hash != want[1]) ++at;
    ASSERT_LT(at, out.size()) << "the packet after the copied keyframe is not in the cut";
    ASSERT_GE(at, 1u);
    EXPECT_TRUE(out[at - 1].key);
    if (k.sameSets) {
        EXPECT_EQ(out[at - 1].hash, want[0]) << "the copied keyframe was changed";
    }
    size_t same = 0;
    while (same + 1 < want.size() && at + same < out.size() &&
           out[at + same].hash == want[same + 1])
        ++same;
    Note(std::string(k.key) + ": " + std::to_string(at) + " packets re-encoded ahead, " +
         std::to_string(same + 1) + " of " + std::to_string(want.size()) + " copied bit for bit");
    EXPECT_EQ(same + 1, want.size());
    *copied = want.size();
}

struct SoundPlace {
    int64_t offset = 0;  // samples late against the source's time line
    int64_t length = 0;  // samples more than the range
    double score = 0;
};

// Where a reader's decode of the cut sits on the source's time line (`around`, decoded
// from `lead` seconds before the range's start), and how much longer than `seconds`.
SoundPlace Place(const std::vector<float>& around, const std::vector<float>& got, int rate,
                 double lead, double seconds) {
    SoundPlace place;
    // Skipped: the cut's very first samples, which a decoder without the frame before may
    // not yet shape as the source's.
    const size_t skip = static_cast<size_t>(rate / 10);
    if (got.size() < skip + 8192)
        return place;
    const std::vector<float> piece(got.begin() + skip, got.end());
    const int64_t want = std::llround(lead * rate) + static_cast<int64_t>(skip);
    const refmedia::Match m = refmedia::FindStart(around, piece, want, rate / 4);
    place.offset = m.offset - want;
    place.length = static_cast<int64_t>(got.size()) - std::llround(seconds * rate);
    place.score = m.score;
    return place;
}

// GStreamer 1.22 takes Matroska's codec delay for every packet that starts within it and
// drops that many samples of each: the packets ahead of the start, which the decoder needs
// to settle, go whole, and so does the one holding the start. Its sound starts on the next
// packet, within one packet late; it ends on the range's last sample.
void ExpectMatroskaOpusByGstreamer(const SoundPlace& p, int packet) {
    EXPECT_GE(p.offset, 0);
    EXPECT_LE(p.offset, packet);
    EXPECT_LE(std::llabs(p.offset + p.length), 1) << "the end is not the range's";
}

void ExpectSound(const SourceKind& k, const std::string& source, const std::string& cut) {
    const int rate = SampleRateOf(cut);
    ASSERT_GT(rate, 0);
    EXPECT_EQ(rate, SampleRateOf(source));
    // The source decoded whole, from its first sample: every reader counts the samples from
    // there alike, where a seek's count may restart from a time rounded by the container.
    const std::vector<float> around = SoundOf(source);
    const double kLead = kStart + StartTimeOf(source) - FirstSoundTimeOf(source);
    const SoundPlace byFfmpeg = Place(around, SoundOf(cut), rate, kLead, kEnd - kStart);
    const refmedia::Decoded d = refmedia::Decode(cut, true);
    EXPECT_TRUE(d.ok) << d.error;
    ASSERT_EQ(d.rate, rate);
    const SoundPlace byGst = Place(around, d.sound, rate, kLead, kEnd - kStart);
    auto say = [&](const char* reader, const SoundPlace& p) {
        Note(std::string(k.key) + ": sound by " + reader + " " + std::to_string(p.offset) +
             " samples (" + Fixed(p.offset * 1000.0 / rate, 2) + " ms) late, " +
             std::to_string(p.length) + " samples long, match " + Fixed(p.score, 3));
    };
    say("ffmpeg", byFfmpeg);
    say("GStreamer", byGst);
    EXPECT_GT(byFfmpeg.score, 0.95);
    EXPECT_GT(byGst.score, 0.95);
    const int64_t bound = k.trims ? 1 : k.soundFrame;
    const bool editList = std::string(k.name).find(".mp4") != std::string::npos;
    EXPECT_LE(std::llabs(byFfmpeg.offset), bound);
    // ffmpeg 5.1 ends an MP4's sound on a whole frame, past the edit list's end; GStreamer
    // keeps its decoder's last frame back. The file states the range's length itself.
    EXPECT_LE(std::llabs(byFfmpeg.length), editList ? k.soundFrame : bound);
    if (editList) {
        const std::string stated = Capture(
            "ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 " +
            Quoted(cut));
        EXPECT_NEAR(std::atof(stated.c_str()), kEnd - kStart, 1.0 / rate);
    }
    // GStreamer 1.22 reads no MP3 encoder's note, the source's neither: it plays the lead
    // the note asks to skip.
    if (std::string(k.key) == "vp9-webm") {
        ExpectMatroskaOpusByGstreamer(byGst, k.soundFrame);
    } else if (std::string(k.key) != "mp3") {
        EXPECT_LE(std::llabs(byGst.offset), bound);
        EXPECT_LE(std::llabs(byGst.length), editList ? 2 * k.soundFrame : bound);
    }
}

TEST_P(CopyCutReference, StartBetweenKeyframesIsExactAndTheRestCopied) {
    const SourceKind& k = GetParam();
    const std::string& source = g_Source[k.key];
    ASSERT_FALSE(source.empty()) << "could not make the " << k.key << " source";
    const std::string name = k.name;
    const std::string cut = g_Dir + "/cut-" + k.key + name.substr(name.rfind('.'));
    const CopyCutResult r = StreamCopyCut::Run(source, cut, kStart, kEnd);
    ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
    const std::string warnings = WarningsOf(cut);
    EXPECT_EQ(warnings, "");
    if (k.video) {
        ExpectFrames(k, source, cut);
        size_t copied = 0;
        ExpectCopiedPackets(k, source, cut, &copied);
        ExpectSourcePictures(source, cut, copied);
    }
    ExpectSound(k, source, cut);
    if (std::string(k.key) == "phone-mp4") {
        EXPECT_EQ(std::abs(refmedia::Probe(cut).rotation), 90);
    }
}

INSTANTIATE_TEST_SUITE_P(SourceKinds, CopyCutReference, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<SourceKind>& info) {
                             std::string name = info.param.key;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Opus alone in WebM: Matroska's times are whole milliseconds, the sound is counted in
// samples. From the file's first sample (none of the source's own pre-skip may come out)
// and from inside a packet, ffmpeg decodes just the range.
TEST(MatroskaOpusCut, SoundAloneStartsAndEndsOnTheRangesSamples) {
    const std::string dir = testmedia::MakeTempDir("opus-cut");
    const std::string wav = refmedia::KnownSound(dir, "base.wav", 4.0);
    const std::string source = dir + "/sound.webm";
    ASSERT_TRUE(reference::Shell("ffmpeg -v error -y -nostdin -i " + Quoted(wav) +
                                 " -c:a libopus -b:a 128k " + Quoted(source)));
    const std::vector<float> whole = SoundOf(source);
    const double first = FirstSoundTimeOf(source) - StartTimeOf(source);
    struct Range {
        double start, end;
    };
    for (const Range range : {Range{0.0, 1.5}, Range{1.2345, 2.5}}) {
        SCOPED_TRACE(Fixed(range.start, 4));
        const std::string cut = dir + "/cut.webm";
        const CopyCutResult r = StreamCopyCut::Run(source, cut, range.start, range.end);
        ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
        EXPECT_EQ(WarningsOf(cut), "");
        const double from = std::max(range.start, first);
        const SoundPlace byFfmpeg =
            Place(whole, SoundOf(cut), 48000, from - first, range.end - from);
        const refmedia::Decoded d = refmedia::Decode(cut, true);
        ASSERT_TRUE(d.ok) << d.error;
        const SoundPlace byGst = Place(whole, d.sound, 48000, from - first, range.end - from);
        Note("webm opus from " + Fixed(range.start, 4) + ": ffmpeg " +
             std::to_string(byFfmpeg.offset) + " late, " + std::to_string(byFfmpeg.length) +
             " long; GStreamer " + std::to_string(byGst.offset) + " late, " +
             std::to_string(byGst.length) + " long");
        EXPECT_GT(byFfmpeg.score, 0.95);
        EXPECT_GT(byGst.score, 0.95);
        EXPECT_LE(std::llabs(byFfmpeg.offset), 1);
        EXPECT_LE(std::llabs(byFfmpeg.length), 1);
        ExpectMatroskaOpusByGstreamer(byGst, 960);
    }
    testmedia::RemoveTree(dir);
    reference::PrintNotes();
}

}  // namespace
