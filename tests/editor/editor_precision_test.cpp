// Frame precision and the further output kinds: the rules, and the editor's behaviour
// against its fake seams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "editor/editor_controller.h"
#include "editor/editor_rules.h"
#include "editor/output_kinds.h"
#include "engine/encoded_kinds.h"
#include "engine/keyframe_index.h"
#include "tests/editor/editor_fakes.h"
#include "tests/support/media_factory.h"
#include "tests/support/reference_media.h"
#include "tests/support/scripted_prompts.h"

using namespace editor;

namespace {

TEST(EditorRules, PointsShowHundredthsOnlyWhereTheyMatter) {
    EXPECT_EQ(FormatPoint(0.0), "0.0");
    EXPECT_EQ(FormatPoint(12.3), "12.3");
    EXPECT_EQ(FormatPoint(12.48), "12.48");
    // 100 frames at 30000/1001 lie at 3.33667 s: the shown time is still inside that frame.
    EXPECT_EQ(FormatPoint(100 * 1001 / 30000.0), "3.34");
    EXPECT_EQ(FormatPoint(0.04 * 3), "0.12");  // 0.12000000000000001 is no 0.13
    EXPECT_DOUBLE_EQ(ParseTimeText("12.25"), 12.25);
    EXPECT_DOUBLE_EQ(ParseTimeText("1:02.5"), 62.5);
    EXPECT_DOUBLE_EQ(ParseTimeText("1:00:02.25"), 3602.25);
    EXPECT_DOUBLE_EQ(ParseTimeText("1:"), 60.0);
}

TEST(EditorRules, TimeTextsTakeClockFormsAndHundredths) {
    auto corrected = [](const std::string& t) { return CorrectTimeText(t).text; };
    EXPECT_EQ(corrected("1:02.25"), "1:02.25");
    EXPECT_EQ(corrected("1:02.255"), "1:02.25");
    EXPECT_EQ(corrected("1.2:3"), "1.23") << "no ':' after the '.'";
    EXPECT_EQ(corrected("1:2:3:4"), "1:2:34") << "no third ':'";
    EXPECT_EQ(corrected("0:05"), "0:05") << "a clock keeps its zeros";
    EXPECT_EQ(corrected(".75"), "0.75");
    EXPECT_EQ(CorrectTimeText("1:").parsed, "1");

    FieldEdit e = EditTimeField("1:05.5", 0.0, 600.0, 6);
    EXPECT_TRUE(e.setValue);
    EXPECT_DOUBLE_EQ(e.value, 65.5);
    EXPECT_FALSE(e.rewrite);
    e = EditTimeField("2:00", 0.0, 100.0, 4);  // beyond the length
    EXPECT_DOUBLE_EQ(e.value, 100.0);
    EXPECT_EQ(e.text, "100");
}

TEST(EditorRules, FrameStepsFollowTheStreamsOwnFrames) {
    // Variable rate: a stretch at 10 frames a second, then 25.
    const std::vector<double> frames = {0.0, 0.1, 0.2, 0.3, 0.34, 0.38, 0.42};
    double t = -1;
    EXPECT_TRUE(FrameStepTarget(frames, 25, 0.2, 1.0, true, &t));
    EXPECT_DOUBLE_EQ(t, 0.3);
    EXPECT_TRUE(FrameStepTarget(frames, 25, 0.35, 1.0, true, &t)) << "between frames";
    EXPECT_DOUBLE_EQ(t, 0.38);
    EXPECT_TRUE(FrameStepTarget(frames, 25, 0.35, 1.0, false, &t)) << "the one before the shown";
    EXPECT_DOUBLE_EQ(t, 0.3);
    EXPECT_FALSE(FrameStepTarget(frames, 25, 0.42, 1.0, true, &t)) << "the last frame";
    EXPECT_FALSE(FrameStepTarget(frames, 25, 0.0, 1.0, false, &t)) << "the first frame";
    // Without the times, by the rate, within the length.
    EXPECT_TRUE(FrameStepTarget({}, 25, 1.0, 10.0, true, &t));
    EXPECT_DOUBLE_EQ(t, 1.04);
    EXPECT_TRUE(FrameStepTarget({}, 0, 9.99, 10.0, true, &t));
    EXPECT_DOUBLE_EQ(t, 10.0);
    EXPECT_FALSE(FrameStepTarget({}, 25, 10.0, 10.0, true, &t));
    EXPECT_TRUE(FrameStepTarget({}, 25, 0.01, 10.0, false, &t));
    EXPECT_DOUBLE_EQ(t, 0.0);
}

TEST(OutputKinds, OnlyWhatSuitsTheItemIsOffered) {
    using K = OutputKind;
    EXPECT_EQ(OutputKindsFor(MediaContent::AudioVideo, "/m/clip.MP4"),
              (std::vector<K>{K::SameFormat, K::Mp4, K::WebM, K::Flac, K::Opus, K::Mp3}));
    EXPECT_EQ(OutputKindsFor(MediaContent::AudioVideo, "/m/clip.avi"),
              (std::vector<K>{K::Mp4, K::WebM, K::Flac, K::Opus, K::Mp3}))
        << "no copy into a container the copy cannot write";
    EXPECT_EQ(OutputKindsFor(MediaContent::VideoOnly, "/m/clip.mkv"),
              (std::vector<K>{K::SameFormat, K::Mp4, K::WebM}));
    EXPECT_EQ(OutputKindsFor(MediaContent::AudioOnly, "/m/song.flac"),
              (std::vector<K>{K::SameFormat, K::Flac, K::Opus, K::Mp3}));
    EXPECT_EQ(OutputKindsFor(MediaContent::AudioOnly, "/m/song.wav"),
              (std::vector<K>{K::Flac, K::Opus, K::Mp3}));
    EXPECT_TRUE(OutputKindsFor(MediaContent::None, "/m/broken.mp4").empty());
    EXPECT_FALSE(KindReencodesSound(K::SameFormat));
    EXPECT_TRUE(KindReencodesSound(K::Opus));
}

TEST(OutputKinds, TargetsCarryTheirKindsExtension) {
    using K = OutputKind;
    EXPECT_EQ(TargetForKind("/o/cut.mp4", K::Mp4, "/m/a.mkv"), "/o/cut.mp4");
    EXPECT_EQ(TargetForKind("/o/cut.M4V", K::Mp4, "/m/a.mkv"), "/o/cut.M4V");
    EXPECT_EQ(TargetForKind("/o/cut.avi", K::WebM, "/m/a.mp4"), "/o/cut.avi.webm");
    EXPECT_EQ(TargetForKind("/o/v1.2/cut", K::Flac, "/m/a.mp4"), "/o/v1.2/cut.flac");
    EXPECT_EQ(TargetForKind("/o/cut.mkv", K::SameFormat, "/m/a.MP4"), "/o/cut.mkv.mp4");
    EXPECT_EQ(TargetForKind("/o/cut.m4v", K::SameFormat, "/m/a.mp4"), "/o/cut.m4v");
    EXPECT_EQ(OutputKindFilter(K::SameFormat, "/m/a.MKV"), "元の形式 (*.mkv)|*.mkv||");
    EXPECT_EQ(OutputKindFilter(K::Opus, "/m/a.mkv"), "OPUS ファイル (*.opus)|*.opus||");
}

// The frame times of a real file: H.264 with B-frames (stored out of display order), a
// keyframe every two seconds, and a sound stream whose packets must not count.
TEST(FrameTimes, ComeFromTheVideoPacketsInDisplayOrder) {
    if (!refmedia::HaveFfmpeg())
        FAIL() << "ffmpeg makes the MP4 source";
    const std::string dir = testmedia::MakeTempDir("frame_times");
    const std::string clip = refmedia::NumberedVideo(dir, "clip.mp4", 5.0);
    ASSERT_FALSE(clip.empty());
    FrameTimes t = ReadFrameTimes(clip);
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(t.frames.size(), 125u);
    for (size_t i = 0; i < t.frames.size(); ++i) ASSERT_NEAR(t.frames[i], i / 25.0, 1e-4) << i;
    // The encoder adds keyframes at changes of scene: ffprobe's own list is the measure.
    std::vector<double> probed;
    if (FILE* p = ::popen(("ffprobe -v error -select_streams v -show_entries packet=pts_time,flags "
                           "-of csv=p=0 '" +
                           clip + "'")
                              .c_str(),
                          "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, p))
            if (std::strchr(line, 'K'))
                probed.push_back(std::atof(line));
        ::pclose(p);
    }
    std::sort(probed.begin(), probed.end());
    ASSERT_EQ(t.keyframes.size(), probed.size());
    for (size_t i = 0; i < probed.size(); ++i) EXPECT_NEAR(t.keyframes[i], probed[i], 1e-3) << i;
    EXPECT_NEAR(t.keyframes.front(), 0.0, 1e-4);
    EXPECT_DOUBLE_EQ(t.frameRate, 25.0);

    // A sound has no frames; what is no media at all is not read.
    const std::string tone = testmedia::Tone(dir, "tone.wav", 1.0);
    t = ReadFrameTimes(tone);
    EXPECT_TRUE(t.ok);
    EXPECT_TRUE(t.frames.empty());
    EXPECT_FALSE(ReadFrameTimes(testmedia::WriteBytes(dir, "junk.mp4", "not a film")).ok);
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(ReadFrameTimes(clip, &cancel).ok);
    testmedia::RemoveTree(dir);
}

class EditorPrecisionTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("editor_precision"); }
    void TearDown() override {
        controller.reset();
        testmedia::RemoveTree(dir);
    }
    void Start(const std::string& name, MediaContent content = MediaContent::AudioVideo) {
        source = testmedia::WriteBytes(dir, name, "x");
        preview.content = content;
        controller = std::make_unique<EditorController>(
            view, preview, ogg, [] { return true; }, nullptr);
        view.controller = controller.get();
        InitialiseOpened(*controller, preview, source);
    }
    // The scan of the source's frames finishes: 25 frames a second, a keyframe each 2 s.
    void FramesArrive() {
        for (int i = 0; i < 1500; ++i) preview.scanned.frames.push_back(i / 25.0);
        preview.scanned.keyframes = {0.0, 2.0, 4.0};
        preview.scanned.frameRate = 25;
        preview.scanned.ok = true;
        preview.scanReady = true;
        controller->OnFrameTimesReady();
    }

    std::string dir, source;
    FakeView view;
    FakePreview preview;
    FakeOgg ogg;
    ScriptedPrompts prompts;
    std::unique_ptr<EditorController> controller;
};

TEST_F(EditorPrecisionTest, KindsOfferedAndTheClassicChoiceKept) {
    Start("clip.mp4");
    ASSERT_EQ(view.otherKinds.size(), 6u);
    EXPECT_EQ(view.otherKinds[0].second, "元の形式（再エンコードなし）");
    EXPECT_TRUE(view.IsChecked(kIdModeAsf)) << "the classic choice starts selected";
    EXPECT_FALSE(view.IsChecked(kIdModeOther));
    EXPECT_FALSE(view.disabled.count(kIdModeOther));

    // The copy keeps the sound as it is: no volume for it; an encoded kind has one again.
    view.ChooseOther(OutputKind::SameFormat);
    EXPECT_TRUE(view.IsChecked(kIdModeOther) && !view.IsChecked(kIdModeAsf));
    EXPECT_TRUE(view.disabled.count(kIdVolumeField));
    view.ChooseOther(OutputKind::Mp4);
    EXPECT_FALSE(view.disabled.count(kIdVolumeField));

    FakeView soundView;
    FakePreview soundPreview;
    soundPreview.content = MediaContent::AudioOnly;
    EditorController sound(
        soundView, soundPreview, ogg, [] { return true; }, nullptr);
    soundView.controller = &sound;
    InitialiseOpened(sound, soundPreview, dir + "/song.wav");
    for (const auto& [kind, label] : soundView.otherKinds)
        EXPECT_TRUE(kind == int(OutputKind::Flac) || kind == int(OutputKind::Opus) ||
                    kind == int(OutputKind::Mp3))
            << label;
    EXPECT_TRUE(soundPreview.scans.empty()) << "no frames to read in a sound";
}

TEST_F(EditorPrecisionTest, CopyRunsWithTheExactPointsUnderTheSourcesExtension) {
    Start("clip.mp4");
    FramesArrive();
    for (int i = 0; i < 3; ++i) controller->OnFrameStep(true);
    controller->OnMarkHere(true);
    EXPECT_DOUBLE_EQ(controller->Start(), 0.12);
    EXPECT_EQ(view.Text(kIdStartField), "0.12");
    view.Type(kIdEndField, "1:00.5");
    EXPECT_DOUBLE_EQ(controller->End(), 60.0) << "kept within the length";
    view.Type(kIdEndField, "0:02.36");
    EXPECT_DOUBLE_EQ(controller->End(), 2.36);
    view.ChooseOther(OutputKind::SameFormat);
    prompts.QueueFiles({dir + "/cut"});
    controller->OnExecute();
    ASSERT_EQ(preview.copies.size(), 1u);
    EXPECT_EQ(preview.copies[0].target, dir + "/cut.mp4");
    EXPECT_DOUBLE_EQ(preview.copies[0].start, 0.12);
    EXPECT_DOUBLE_EQ(preview.copies[0].end, 2.36);
    EXPECT_EQ(prompts.FileRequests().back().filter, "元の形式 (*.mp4)|*.mp4||");
    EXPECT_TRUE(preview.converts.empty() && preview.encodes.empty());
    EXPECT_EQ(controller->OutputList(), std::vector<std::string>{dir + "/cut.mp4"});
    for (int id : {kIdOtherKind, kIdModeOther, kIdFrameForward, kIdMarkStart, kIdExecute})
        EXPECT_TRUE(view.disabled.count(id)) << id;

    // Its reports are the graph's: progress, then the end closes the editor.
    controller->OnGraphPosition(10);
    EXPECT_EQ(view.Text(kIdStartField), "1.0");
    controller->OnGraphComplete(15);
    EXPECT_TRUE(view.closedCompleted);
}

TEST_F(EditorPrecisionTest, EncodedKindsTakeTheVolumeAndAFailedCopyIsReported) {
    Start("clip.mkv");
    view.Type(kIdVolumeField, "150");
    view.ChooseOther(OutputKind::WebM);
    prompts.QueueFiles({dir + "/cut.webm"});
    controller->OnExecute();
    ASSERT_EQ(preview.encodes.size(), 1u);
    EXPECT_EQ(preview.encodes[0].kind, EncodedKind::WebM);
    EXPECT_EQ(preview.encodes[0].volume, 150);
    EXPECT_DOUBLE_EQ(preview.encodes[0].stop, 600.0);

    FakeView view2;
    FakePreview preview2;
    EditorController second(
        view2, preview2, ogg, [] { return true; }, nullptr);
    view2.controller = &second;
    InitialiseOpened(second, preview2, source);
    view2.ChooseOther(OutputKind::SameFormat);
    prompts.QueueFiles({dir + "/cut2.mkv"});
    second.OnExecute();
    ASSERT_EQ(preview2.copies.size(), 1u);
    second.OnGraphStopped();  // the copy could not be completed
    EXPECT_EQ(prompts.LastText(), "何らかのエラーが発生しました。");
    EXPECT_FALSE(view2.closedCompleted);
}

TEST_F(EditorPrecisionTest, OggItemsCutThroughTheGraphOrTheCopy) {
    Start("song.ogg", MediaContent::AudioOnly);
    EXPECT_TRUE(view.disabled.count(kIdFrameForward)) << "tunewell seeks by seconds";
    controller->OnPlay();
    view.ChooseOther(OutputKind::Mp3);
    prompts.QueueFiles({dir + "/cut.mp3"});
    controller->OnExecute();
    EXPECT_EQ(ogg.state, 0) << "the preview steps aside";
    ASSERT_EQ(preview.encodes.size(), 1u);
    EXPECT_EQ(preview.encodes[0].kind, EncodedKind::Mp3);
    EXPECT_TRUE(ogg.wavePath.empty());
    controller->OnGraphComplete(15);
    EXPECT_TRUE(view.closedCompleted);
    controller->Shutdown();
    EXPECT_GE(preview.closes, 1) << "the graph it used is closed";
}

TEST_F(EditorPrecisionTest, FrameStepsAreExactAndSurviveTheTenthsReport) {
    Start("clip.mp4");
    ASSERT_EQ(preview.scans, std::vector<std::string>{source});
    FramesArrive();
    EXPECT_EQ(view.marks, (std::vector<double>{0.0, 20.0, 40.0}));

    preview.position = 124;  // the preview stands at 12.4 s
    controller->OnFrameStep(true);
    EXPECT_DOUBLE_EQ(controller->Here(), 12.44);
    EXPECT_EQ(view.Text(kIdStartField), "12.44");
    ASSERT_FALSE(preview.seeks.empty());
    EXPECT_GT(preview.seeks.back(), 124.4) << "lands inside the frame, not before it";
    EXPECT_LT(preview.seeks.back(), 124.41);
    // The still preview reports its position in tenths: the exact one stays.
    controller->OnGraphPosition(124);
    EXPECT_DOUBLE_EQ(controller->Start(), 12.44);
    EXPECT_EQ(view.Text(kIdStartField), "12.44");
    controller->OnFrameStep(false);
    controller->OnFrameStep(false);
    EXPECT_DOUBLE_EQ(controller->Here(), 12.36);

    // Playing on, the reports take over again.
    controller->OnPlay();
    controller->OnGraphPosition(130);
    EXPECT_DOUBLE_EQ(controller->Here(), 13.0);
    // Paused later than the last report: the step goes from where the preview stands.
    preview.position = 135;
    controller->OnFrameStep(true);
    EXPECT_FALSE(preview.running) << "stepping pauses";
    EXPECT_DOUBLE_EQ(controller->Here(), 13.52) << "13.5 lies inside the frame of 13.48";
}

TEST_F(EditorPrecisionTest, MarksSetThePointsAndTheEndFollowsOnceTheStartIsSet) {
    Start("clip.mp4");
    FramesArrive();
    preview.position = 10;
    controller->OnFrameStep(true);  // 1.04
    controller->OnMarkHere(true);
    EXPECT_DOUBLE_EQ(controller->Start(), 1.04);
    EXPECT_FALSE(controller->TrackingStart()) << "the end is looked for next";
    EXPECT_TRUE(view.IsChecked(kIdPointEnd) && !view.IsChecked(kIdPointStart));
    controller->OnStep(true);  // five seconds on: 6.0, the end follows
    controller->OnFrameStep(false);
    EXPECT_DOUBLE_EQ(controller->End(), 5.96);
    EXPECT_DOUBLE_EQ(controller->Start(), 1.04) << "the start stays where it was set";
    preview.position = 30;
    preview.seeks.clear();
    controller->OnMarkHere(false);  // the preview was moved elsewhere meanwhile
    EXPECT_DOUBLE_EQ(controller->End(), 3.0);
    EXPECT_EQ(view.Text(kIdEndField), "3.0");
    EXPECT_TRUE(preview.seeks.empty()) << "a mark moves no preview";
    EXPECT_FALSE(controller->TrackingStart());
}

}  // namespace
