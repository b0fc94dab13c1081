#include <gtest/gtest.h>

#include <QRect>
#include <cstring>
#include <filesystem>

#include "engine/media_graph.h"
#include "engine/profiles.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;

namespace {

class ConvertTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("convert"); }
    void TearDown() override {
        graph.Close();
        testmedia::RemoveTree(dir);
    }
    void OpenPreview(const std::string& path) {
        widget.resize(160, 120);
        QRect r(0, 0, 160, 120);
        graph.SetWindows(&notify, &widget, &r);
        ASSERT_EQ(graph.Open(path.c_str(), FALSE), S_OK);
    }
    bool WaitForComplete() {
        return PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 20000);
    }
    // Names in the folder other than the ones given: leftovers of a conversion.
    std::vector<std::string> Leftovers(std::initializer_list<std::string> expected) {
        std::vector<std::string> extra;
        for (const auto& e : fs::directory_iterator(dir)) {
            bool known = false;
            for (const auto& x : expected) known = known || e.path().string() == x;
            if (!known)
                extra.push_back(e.path().filename().string());
        }
        return extra;
    }

    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

TEST_F(ConvertTest, AviRangeHasUncompressedVideoOfTheRangeAndNoSound) {
    auto src = testmedia::Video(dir, "clip.avi", 4.0, 160, 120);
    ASSERT_FALSE(src.empty());
    OpenPreview(src);
    std::string out = dir + "/cut.avi";
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Avi, out.c_str(), 10.0, 30.0, 0));
    ASSERT_TRUE(WaitForComplete());
    Pump(100);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
    EXPECT_EQ(notify.messages.back().wParam, 15);
    graph.Close();
    EXPECT_TRUE(Leftovers({src, out}).empty());

    MediaProbe p = ProbeMedia(out);
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.hasVideo);
    EXPECT_FALSE(p.hasAudio);
    EXPECT_NEAR(p.videoFrames, 50, 1);  // 2 s at 25 frames a second
    EXPECT_EQ(p.width, 160);

    std::string bytes = testmedia::ReadFile(out);
    std::string head = bytes.substr(0, 4096);
    EXPECT_EQ(head.find("auds"), std::string::npos);
    auto vids = head.find("vids");
    ASSERT_NE(vids, std::string::npos);
    auto strf = head.find("strf", vids);
    ASSERT_NE(strf, std::string::npos);
    uint16_t bits;
    uint32_t compression;
    std::memcpy(&bits, head.data() + strf + 8 + 14, 2);
    std::memcpy(&compression, head.data() + strf + 8 + 16, 4);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(compression, 0u);  // uncompressed RGB
}

TEST_F(ConvertTest, AsfTakesTheProfilesSizeAndRateAndKeepsTheSound) {
    auto src = testmedia::Video(dir, "clip.avi", 3.0, 160, 120);
    OpenPreview(src);
    std::vector<std::string> names;
    ASSERT_TRUE(ListProfiles(1, &names));
    SystemProfile profile;
    ASSERT_EQ(MapProfile(0, &profile), S_OK);
    std::string out = dir + "/cut.asf";
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Asf, out.c_str(), 5.0, 25.0, 0));
    ASSERT_TRUE(WaitForComplete());
    graph.Close();
    EXPECT_TRUE(Leftovers({src, out}).empty());

    MediaProbe p = ProbeMedia(out);
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.hasVideo);
    EXPECT_TRUE(p.hasAudio);
    EXPECT_EQ(p.width, profile.videoWidth);
    EXPECT_EQ(p.height, profile.videoHeight);
    EXPECT_EQ(p.fpsNum * profile.frameRateDen, profile.frameRateNum * p.fpsDen);
    EXPECT_NEAR(p.videoFrames, 2.0 * profile.frameRateNum / profile.frameRateDen, 1);
    EXPECT_NEAR(p.audioSeconds, 2.0, 0.05);

    // The written file plays back as video with sound.
    MediaGraph player;
    QRect r(0, 0, 320, 240);
    player.SetWindows(&notify, &widget, &r);
    EXPECT_EQ(player.Open(out.c_str(), FALSE), S_OK);
    EXPECT_EQ(player.Content(), MediaContent::AudioVideo);
}

TEST_F(ConvertTest, RangePastTheEndStopsAtTheEnd) {
    auto src = testmedia::Video(dir, "clip.avi", 3.0, 160, 120);
    OpenPreview(src);
    std::string out = dir + "/tail.avi";
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Avi, out.c_str(), 20.0, 1000.0, 0));
    ASSERT_TRUE(WaitForComplete());
    graph.Close();
    MediaProbe p = ProbeMedia(out);
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.videoFrames, 25, 1);
}

TEST_F(ConvertTest, ImpossibleConversionsWriteNothing) {
    auto video = testmedia::Video(dir, "clip.avi", 2.0, 160, 120);
    auto silent = testmedia::Video(dir, "silent.avi", 1.0, 160, 120, false);
    auto tone = testmedia::Tone(dir, "tone.mp3", 2.0);
    std::string out = dir + "/out.avi";
    const std::string original = testmedia::ReadFile(video);

    OpenPreview(video);
    EXPECT_FALSE(
        graph.Convert(video.c_str(), static_cast<ConversionMode>(3), out.c_str(), 0, 10, 0));
    EXPECT_TRUE(graph.HasGraph());  // an unknown mode leaves the preview alone
    EXPECT_EQ(graph.State(), GraphState::Idle);

    struct Case {
        std::string source;
        ConversionMode mode;
        std::string target;
        double start, stop;
        int32_t extra;
        const char* why;
    };
    std::vector<Case> cases = {
        {video, ConversionMode::Avi, out, 30.0, 40.0, 0, "start after the end"},
        {video, ConversionMode::Avi, out, 15.0, 5.0, 0, "start after stop"},
        {video, ConversionMode::Avi, video, 0.0, 10.0, 0, "target is the source"},
        {video, ConversionMode::Asf, out, 0.0, 10.0, 99, "no such profile"},
        {tone, ConversionMode::Avi, out, 0.0, 10.0, 0, "AVI without video"},
        {tone, ConversionMode::Asf, out, 0.0, 10.0, 0, "ASF without video"},
        {silent, ConversionMode::Avi, out, 0.0, 5.0, 0, "AVI without sound"},
    };
    ListProfiles(1, nullptr);
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(
            graph.Convert(c.source.c_str(), c.mode, c.target.c_str(), c.start, c.stop, c.extra))
            << c.why;
        std::string printed = testing::internal::GetCapturedStdout();
        if (c.extra == 99) {
            EXPECT_NE(printed.find("Invalid profile: 99\n"), std::string::npos);
        }
        EXPECT_FALSE(graph.HasGraph()) << c.why;
        EXPECT_TRUE(Leftovers({video, silent, tone}).empty()) << c.why;
        Pump(50);
        EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0) << c.why;
    }
    EXPECT_EQ(testmedia::ReadFile(video), original);
}

TEST_F(ConvertTest, CancelledConversionKeepsTheOldTargetAndLeavesNoPartialFile) {
    auto src = testmedia::Video(dir, "clip.avi", 4.0, 160, 120);
    std::string out = testmedia::WriteBytes(dir, "cut.avi", "previous contents");
    OpenPreview(src);
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Avi, out.c_str(), 0.0, 40.0, 0));
    graph.Close();
    Pump(200);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0);
    EXPECT_EQ(testmedia::ReadFile(out), "previous contents");
    EXPECT_TRUE(Leftovers({src, out}).empty());
    // The graph is rebuilt on demand for the next conversion, which then replaces it.
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Avi, out.c_str(), 0.0, 10.0, 0));
    ASSERT_TRUE(WaitForComplete());
    graph.Close();
    EXPECT_NE(testmedia::ReadFile(out), "previous contents");
    // A finished conversion is not written twice by stopping or running it again.
    EXPECT_TRUE(Leftovers({src, out}).empty());
}

TEST_F(ConvertTest, AFileThatCannotTakeItsNameAtTheEndStopsTheGraph) {
    auto src = testmedia::Video(dir, "clip.avi", 2.0, 160, 120);
    // A folder holds the target's name, so the finished file cannot be renamed onto it.
    std::string out = dir + "/taken.avi";
    fs::create_directories(out + "/inside");
    OpenPreview(src);
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Avi, out.c_str(), 0.0, 10.0, 0));
    EXPECT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_STOPPED) > 0; }, 20000));
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0);
    graph.Close();
    EXPECT_TRUE(fs::is_directory(out + "/inside"));
    EXPECT_TRUE(Leftovers({src, out}).empty());
}

TEST_F(ConvertTest, WavRangeThroughTheWavSink) {
    if (!fs::exists(std::string(VELTRA_BIN_DIR) + "/libwavsink.so") ||
        !fs::exists(std::string(VELTRA_BIN_DIR) + "/regsvr"))
        FAIL() << "libwavsink.so is not built";
    setenv("VELTRA_REGISTRY", (dir + "/registry").c_str(), 1);
    setenv("VELTRA_BIN_DIR", VELTRA_BIN_DIR, 0);
    auto src = testmedia::Tone(dir, "tone.mp3", 4.0);
    OpenPreview(src);
    std::string out = dir + "/cut.wav";
    ASSERT_TRUE(graph.Convert(src.c_str(), ConversionMode::Wav, out.c_str(), 10.0, 30.0, 100));
    ASSERT_TRUE(WaitForComplete());
    graph.Close();
    MediaProbe p = ProbeMedia(out);
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.audioSeconds, 2.0, 0.01);
    std::string wav = testmedia::ReadFile(out);
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    uint32_t riff;
    std::memcpy(&riff, wav.data() + 4, 4);
    EXPECT_EQ(riff, wav.size() - 8);  // the header was finished, not left as a placeholder

    // A video's sound goes to the file, its pictures nowhere.
    notify.messages.clear();
    auto clip = testmedia::Video(dir, "clip.avi", 2.0, 160, 120);
    OpenPreview(clip);
    std::string out2 = dir + "/clip.wav";
    ASSERT_TRUE(graph.Convert(clip.c_str(), ConversionMode::Wav, out2.c_str(), 0.0, 10.0, 50));
    ASSERT_TRUE(WaitForComplete());
    graph.Close();
    MediaProbe q = ProbeMedia(out2);
    ASSERT_TRUE(q.ok);
    EXPECT_FALSE(q.hasVideo);
    EXPECT_NEAR(q.audioSeconds, 1.0, 0.01);
    EXPECT_TRUE(
        Leftovers({src, out, clip, out2, dir + "/registry", dir + "/registry.lock"}).empty());
    unsetenv("VELTRA_REGISTRY");
}

TEST(Profiles, ListingAndMappingAgreeIndexForIndex) {
    testing::internal::CaptureStdout();
    for (int selector : {0, 1}) {
        std::vector<std::string> names;
        ASSERT_TRUE(ListProfiles(selector, &names));
        ASSERT_FALSE(names.empty());
        for (size_t i = 0; i < names.size(); ++i) {
            SystemProfile p;
            ASSERT_EQ(MapProfile(static_cast<int32_t>(i), &p), S_OK);
            EXPECT_EQ(p.name, names[i]);
            EXPECT_GT(p.videoWidth, 0);
            EXPECT_GT(p.frameRateNum, 0);
            EXPECT_GT(p.videoBitrate, p.audioBitrate);
        }
        SystemProfile p;
        EXPECT_EQ(MapProfile(static_cast<int32_t>(names.size()), &p), E_INVALIDARG);
        EXPECT_EQ(MapProfile(-1, &p), E_INVALIDARG);
    }
    EXPECT_EQ(MapProfile(0, nullptr), E_POINTER);
    std::vector<std::string> names;
    ASSERT_TRUE(ListProfiles(2, &names));  // 8.0 exists on one old system only
    EXPECT_EQ(GetProfileVersion(), 0x70000u);
    ASSERT_TRUE(ListProfiles(7, nullptr));  // unknown selector keeps the version
    EXPECT_EQ(GetProfileVersion(), 0x70000u);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("There are 6 system profiles available for version 7.\n"),
              std::string::npos);
    EXPECT_NE(printed.find("  0:  "), std::string::npos);
    EXPECT_NE(printed.find("Invalid profile: -1\n"), std::string::npos);
}

}  // namespace
