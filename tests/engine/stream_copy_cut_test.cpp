// Cuts kept in the source's format, judged by ffmpeg and ffprobe rather than by our reader.
#include "engine/stream_copy_cut.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Capture(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    return out;
}

struct VideoPacket {
    long long pts;
    bool key;
    std::string hash;
};

// Video packets in file order, with their showing time in the stream's own units.
std::vector<VideoPacket> Packets(const std::string& file) {
    std::vector<VideoPacket> packets;
    std::istringstream lines(
        Capture("ffprobe -v error -select_streams v:0 -show_packets "
                "-show_data_hash MD5 -show_entries packet=pts,flags,data_hash"
                " -of csv=p=0 '" +
                file + "'"));
    std::string line;
    while (std::getline(lines, line)) {
        std::stringstream fields(line);
        std::string pts, flags, hash;
        std::getline(fields, pts, ',');
        std::getline(fields, flags, ',');
        std::getline(fields, hash, ',');
        if (pts.empty() || pts == "N/A")
            continue;
        packets.push_back({std::stoll(pts), flags.find('K') != std::string::npos, hash});
    }
    return packets;
}

int DecodedFrames(const std::string& file, std::string* warnings) {
    *warnings = Capture("ffmpeg -nostdin -v warning -i '" + file + "' -f null - 2>&1");
    const std::string n = Capture(
        "ffprobe -v error -count_frames -select_streams v:0 "
        "-show_entries stream=nb_read_frames -of csv=p=0 '" +
        file + "'");
    return n.empty() ? -1 : std::atoi(n.c_str());
}

class StreamCopyCutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_Dir = fs::temp_directory_path() /
                ("veltra_copycut_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_Dir);
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // 8 s of 25-fps H.264 High with B-frames and a keyframe every 2 s, and a tone.
    std::string MakeH264(const std::string& extension) {
        const std::string mp4 = (m_Dir / "source.mp4").string();
        if (!fs::exists(mp4)) {
            const std::string make =
                "ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i "
                "sine=f=440:sample_rate=48000 -t 8 -c:v libx264 -profile:v high -bf 2 -g 50 "
                "-keyint_min 50 -sc_threshold 0 -pix_fmt yuv420p -c:a aac -metadata:s:a "
                "language=jpn -shortest '" +
                mp4 + "'";
            EXPECT_EQ(std::system(make.c_str()), 0);
        }
        if (extension == "mp4")
            return mp4;
        const std::string other = (m_Dir / ("source." + extension)).string();
        const std::string remux =
            "ffmpeg -nostdin -v error -y -i '" + mp4 + "' -c copy '" + other + "'";
        EXPECT_EQ(std::system(remux.c_str()), 0);
        return other;
    }

    fs::path m_Dir;
};

// A start between keyframes: every frame of the range decodes without complaint, the
// re-encoded head joins the copied rest, and from the first keyframe after the start each
// video packet is the source's own.
void ExpectFrameExactCopy(const std::string& source, const std::string& target, int spare) {
    const CopyCutResult r = StreamCopyCut::Run(source, target, 1.3, 5.0);
    ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
    // Frames 33 (1.32 s) to 124 (4.96 s); the keyframe at 2.0 s is frame 50.
    EXPECT_GE(r.reencodedFrames, 50 - 33);
    EXPECT_LE(r.reencodedFrames, 50 - 33 + spare);
    std::string warnings;
    const int frames = DecodedFrames(target, &warnings);
    EXPECT_GE(frames, 124 - 33 + 1);
    EXPECT_LE(frames, 124 - 33 + 1 + spare);
    EXPECT_EQ(warnings, "");

    std::map<std::string, int> sourceHashes;
    for (const VideoPacket& p : Packets(source)) ++sourceHashes[p.hash];
    const std::vector<VideoPacket> out = Packets(target);
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(out.front().key);
    size_t firstCopied = 0;
    while (firstCopied < out.size() && !(out[firstCopied].key && firstCopied > 0)) ++firstCopied;
    ASSERT_LT(firstCopied, out.size()) << "no copied keyframe";
    // The head's parameter sets have numbers of their own: from the copied keyframe on,
    // every packet is bit for bit the source's.
    for (size_t i = firstCopied; i < out.size(); ++i)
        EXPECT_EQ(sourceHashes.count(out[i].hash), 1u) << "packet " << i << " was not copied";
    EXPECT_EQ(out.size() - firstCopied - 1 + 1, static_cast<size_t>(124 - 50 + 1));
}

TEST_F(StreamCopyCutTest, H264StartBetweenKeyframesIsFrameExactAndCopiedAfterTheKeyframe) {
    ExpectFrameExactCopy(MakeH264("mp4"), (m_Dir / "cut.mp4").string(), 0);
    // Matroska's millisecond times still let one frame before the start in.
    ExpectFrameExactCopy(MakeH264("mkv"), (m_Dir / "cut.mkv").string(), 1);
}

TEST_F(StreamCopyCutTest, StartOnAKeyframeCopiesEveryPacketAndKeepsLanguage) {
    const std::string source = MakeH264("mp4");
    const std::string target = (m_Dir / "KEY.MP4").string();
    const CopyCutResult r = StreamCopyCut::Run(source, target, 2.0, 4.0);
    ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
    EXPECT_EQ(r.reencodedFrames, 0);
    EXPECT_EQ(r.copiedVideoPackets, 50);
    std::map<std::string, int> sourceHashes;
    for (const VideoPacket& p : Packets(source)) ++sourceHashes[p.hash];
    for (const VideoPacket& p : Packets(target)) EXPECT_EQ(sourceHashes.count(p.hash), 1u);
    EXPECT_NE(
        Capture("ffprobe -v error -show_entries stream_tags=language -of csv=p=0 '" + target + "'")
            .find("jpn"),
        std::string::npos);
}

TEST_F(StreamCopyCutTest, RefusalsLeaveNothingUnderTheTargetName) {
    const std::string source = MakeH264("mp4");
    const std::string other = (m_Dir / "cut.mkv").string();
    EXPECT_EQ(StreamCopyCut::Run(source, other, 1.0, 2.0).error, CopyCutError::WrongFamily);
    const std::string target = (m_Dir / "cut.mp4").string();
    EXPECT_EQ(StreamCopyCut::Run(source, target, 3.0, 3.0).error, CopyCutError::BadRange);
    const std::string broken = (m_Dir / "broken.mp4").string();
    { std::ofstream(broken) << "not a movie"; }
    EXPECT_EQ(StreamCopyCut::Run(broken, target, 0.0, 1.0).error, CopyCutError::CannotOpen);
    // A cancelled cut leaves neither the target nor its hidden scratch file.
    const CopyCutResult cancelled =
        StreamCopyCut::Run(source, target, 0.5, 6.0, [](double at) { return at < 1.0; });
    EXPECT_NE(cancelled.error, CopyCutError::None);
    for (const auto& entry : fs::directory_iterator(m_Dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.rfind("source.", 0) == 0 || name == "broken.mp4") << name;
    }
}

}  // namespace

namespace {

// Sound alone in its own format: the packets of the range, copied, in a file that readers
// take without complaint.
TEST_F(StreamCopyCutTest, SoundFilesAreCutInTheirOwnFormat) {
    for (const char* ext : {"mp3", "flac", "opus"}) {
        SCOPED_TRACE(ext);
        const std::string source = (m_Dir / (std::string("tone.") + ext)).string();
        const std::string make =
            "ffmpeg -nostdin -v error -y -f lavfi -i sine=f=440:sample_rate=48000 -ac 2 -t 6 '" +
            source + "'";
        ASSERT_EQ(std::system(make.c_str()), 0);
        const std::string target = (m_Dir / (std::string("cut.") + ext)).string();
        const CopyCutResult r = StreamCopyCut::Run(source, target, 1.3, 4.0);
        ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
        // Decoded, as a player hears it: ffprobe's stated length of an Ogg Opus or MP3 file
        // counts the lead its header tells decoders to skip.
        const std::string sound = Capture("ffmpeg -nostdin -v error -i '" + target +
                                          "' -ac 1 -ar 48000 -f s16le -c:a pcm_s16le -");
        EXPECT_NEAR(sound.size() / 2 / 48000.0, 2.7, 0.05);
        EXPECT_EQ(Capture("ffmpeg -nostdin -v warning -i '" + target + "' -f null - 2>&1"), "");
        // A range past the sound's end is refused, not written as a file of nothing.
        const std::string beyond = (m_Dir / (std::string("beyond.") + ext)).string();
        EXPECT_EQ(StreamCopyCut::Run(source, beyond, 8.0, 9.0).error, CopyCutError::Empty);
        EXPECT_FALSE(fs::exists(beyond));
    }
}

}  // namespace

namespace {

std::string SamplesOf(const std::string& file) {
    return Capture("ffmpeg -nostdin -v error -i '" + file + "' -f s32le -c:a pcm_s32le -");
}

// FLAC has no means to state a trim, so the frames at the range's edges are made again
// from their samples: every sample of the range comes out as the source's, none more,
// wherever the edges fall against the source's frames, and libFLAC (GStreamer's decoder,
// strict about the frames' numbering and checksums) reads it through.
TEST_F(StreamCopyCutTest, FlacCutsHoldTheRangesSamplesExactly) {
    const std::string source = (m_Dir / "tone.flac").string();
    const std::string make =
        "ffmpeg -nostdin -v error -y -f lavfi -i anoisesrc=r=48000:a=0.3 -ac 2 -t 4 -c:a flac "
        "-sample_fmt s32 -bits_per_raw_sample 24 '" +
        source + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    std::vector<long long> firsts;
    std::istringstream lines(
        Capture("ffprobe -v error -show_entries packet=pts -of csv=p=0 '" + source + "'"));
    for (std::string line; std::getline(lines, line);) firsts.push_back(std::stoll(line));
    ASSERT_GT(firsts.size(), 20u);
    const std::string all = SamplesOf(source);
    constexpr int kBytesPerSample = 4 * 2;
    struct Range {
        long long from, until;
    };
    const Range ranges[] = {
        {firsts[5] - 5, firsts[15] + 3},     // edges a few samples off the frames' bounds
        {firsts[3] + 100, firsts[3] + 900},  // both edges inside one frame
        {firsts[4], firsts[9] + 1000},       // from a frame's first sample
    };
    for (const Range& range : ranges) {
        SCOPED_TRACE(std::to_string(range.from) + ".." + std::to_string(range.until));
        const std::string target = (m_Dir / "cut.flac").string();
        const CopyCutResult r =
            StreamCopyCut::Run(source, target, range.from / 48000.0, range.until / 48000.0);
        ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
        const std::string got = SamplesOf(target);
        const std::string want =
            all.substr(range.from * kBytesPerSample, (range.until - range.from) * kBytesPerSample);
        EXPECT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want) << "the samples differ from the source's";
        EXPECT_EQ(Capture("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 '" +
                          target + "'"),
                  std::to_string(range.until - range.from) + "\n");
        EXPECT_EQ(Capture("ffmpeg -nostdin -v warning -i '" + target + "' -f null - 2>&1"), "");
        EXPECT_EQ(std::system(("gst-launch-1.0 -q filesrc location='" + target +
                               "' ! flacparse ! flacdec ! fakesink >/dev/null 2>&1")
                                  .c_str()),
                  0);
    }
    // In Matroska the frames go whole (the range within a frame each side), and the file's
    // first bytes are no FLAC header to complete.
    const std::string mka = (m_Dir / "tone.mka").string();
    ASSERT_EQ(
        std::system(
            ("ffmpeg -nostdin -v error -y -i '" + source + "' -c copy '" + mka + "'").c_str()),
        0);
    const std::string cut = (m_Dir / "cut.mka").string();
    const CopyCutResult r = StreamCopyCut::Run(mka, cut, 1.0, 2.0);
    ASSERT_EQ(r.error, CopyCutError::None) << r.detail;
    EXPECT_NEAR(SamplesOf(cut).size() / kBytesPerSample / 48000.0, 1.0, 2 * 4608 / 48000.0);
}

}  // namespace
