// The editor's behaviour against fake seams: fields, points, transport, execution.
#include <gtest/gtest.h>

#include <fstream>

#include "editor/editor_controller.h"
#include "editor/editor_rules.h"
#include "tests/editor/editor_fakes.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

using namespace editor;

namespace {

class EditorControllerTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("editor_ctl"); }
    void TearDown() override {
        controller.reset();
        testmedia::RemoveTree(dir);
    }

    void Start(const std::string& source, int mainVolume = 100) {
        controller = std::make_unique<EditorController>(
            view, preview, ogg, [this] { return oggLoads; }, nullptr);
        view.controller = controller.get();
        InitialiseOpened(*controller, preview, source, mainVolume);
    }

    std::string dir;
    FakeView view;
    FakePreview preview;
    FakeOgg ogg;
    bool oggLoads = true;
    ScriptedPrompts prompts;
    std::unique_ptr<EditorController> controller;
};

TEST(EditorRules, TimeAndLengthTexts) {
    EXPECT_EQ(FormatTenths(1234), "123.4");
    EXPECT_EQ(FormatTenths(7), "0.7");
    EXPECT_EQ(FormatLength(37234), "1 時間2 分3.4 秒");
    EXPECT_EQ(FormatLength(1230), "2 分3.0 秒");
    EXPECT_EQ(FormatLength(36000), "1 時間");
    EXPECT_EQ(FormatLength(0), "");
    EXPECT_EQ(FormatCut(12.39, true), "12.3");
    EXPECT_EQ(FormatCut(12.99, false), "12");
    EXPECT_EQ(PreviewVolumeFor(100), 0);
    EXPECT_EQ(PreviewVolumeFor(0), -6000);  // 0 would be 100 -> silent; it is 200 instead
    EXPECT_EQ(PreviewVolumeFor(50), -1500);
}

TEST(EditorRules, ModeChoiceFollowsTheSource) {
    ModeChoice video = ModeChoiceFor(MediaContent::VideoOnly);
    EXPECT_FALSE(video.wav);
    EXPECT_FALSE(video.volume);
    EXPECT_EQ(video.selected, ConversionMode::Asf);
    ModeChoice sound = ModeChoiceFor(MediaContent::AudioOnly);
    EXPECT_FALSE(sound.asf || sound.avi || sound.preview || sound.still || sound.settings);
    EXPECT_EQ(sound.selected, ConversionMode::Wav);
    EXPECT_EQ(ModeChoiceFor(MediaContent::AudioVideo).selected, ConversionMode::Asf);
}

TEST(EditorRules, StepsStopAtTheEnds) {
    int t = -1;
    EXPECT_TRUE(StepPosition(30, 600, false, &t));
    EXPECT_EQ(t, 0);
    EXPECT_FALSE(StepPosition(0, 600, false, &t));
    EXPECT_TRUE(StepPosition(580, 600, true, &t));
    EXPECT_EQ(t, 600);
    EXPECT_FALSE(StepPosition(600, 600, true, &t));
    double s = -1;
    EXPECT_TRUE(StepOggSeconds(3.0, 123.45, false, &s));
    EXPECT_EQ(s, 0.0);
    EXPECT_FALSE(StepOggSeconds(0.0, 123.45, false, &s));
}

TEST_F(EditorControllerTest, OggSourceShowsWholeSecondsButKeepsTheExactEnd) {
    Start(dir + "/song.ogg");
    EXPECT_TRUE(controller->IsOgg());
    EXPECT_EQ(view.sliderMax, 1230);
    EXPECT_EQ(view.Text(kIdEndField), "123.0");
    EXPECT_DOUBLE_EQ(controller->End(), 123.45);
    EXPECT_EQ(view.Text(kIdLength), "2 分3.0 秒");
    EXPECT_EQ(view.Text(kIdFileName), "song.ogg");
    EXPECT_TRUE(view.hidden.count(kIdPreview));
    EXPECT_TRUE(view.IsChecked(kIdModeWav));
    EXPECT_TRUE(view.disabled.count(kIdStill) && view.disabled.count(kIdProfile));
}

TEST_F(EditorControllerTest, OggSourceWithoutTunewellClosesAtOnce) {
    oggLoads = false;
    Start(dir + "/song.OGG");
    EXPECT_EQ(view.closes, 1);
    EXPECT_FALSE(view.closedCompleted);
}

TEST_F(EditorControllerTest, TimeFieldCorrections) {
    Start(dir + "/clip.avi");           // 60 s
    view.Type(kIdStartField, "1.255");  // hundredths are the finest a field holds
    EXPECT_EQ(view.Text(kIdStartField), "1.25");
    EXPECT_DOUBLE_EQ(controller->Start(), 1.25);
    view.Type(kIdStartField, ".5");
    EXPECT_EQ(view.Text(kIdStartField), "0.5");
    // The same key by key: the dot alone becomes "0.", and the digit then follows it.
    view.Type(kIdStartField, "");
    view.Type(kIdStartField, ".");
    EXPECT_EQ(view.Text(kIdStartField), "0.");
    EXPECT_DOUBLE_EQ(controller->Start(), 0.0);
    view.Type(kIdStartField, "0.5");
    EXPECT_EQ(view.Text(kIdStartField), "0.5");
    EXPECT_DOUBLE_EQ(controller->Start(), 0.5);
    view.Type(kIdStartField, "05");
    EXPECT_EQ(view.Text(kIdStartField), "5");
    EXPECT_DOUBLE_EQ(controller->Start(), 5.0);
    view.Type(kIdStartField, "");
    view.Type(kIdStartField, "a");
    EXPECT_EQ(view.Text(kIdStartField), "");
    EXPECT_DOUBLE_EQ(controller->Start(), 0.0);
    view.Type(kIdStartField, "1x2");
    EXPECT_EQ(view.Text(kIdStartField), "12");
    view.Type(kIdStartField, "12.");  // typing on: the dot stays
    EXPECT_EQ(view.Text(kIdStartField), "12.");
    EXPECT_DOUBLE_EQ(controller->Start(), 12.0);
    view.Type(kIdEndField, "999");
    EXPECT_EQ(view.Text(kIdEndField), "60");
    EXPECT_DOUBLE_EQ(controller->End(), 60.0);
}

TEST_F(EditorControllerTest, FollowedFieldIsLeftToThePositionWhilePlaying) {
    Start(dir + "/clip.avi");
    controller->OnPlay();
    ASSERT_TRUE(preview.running);
    view.Type(kIdStartField, "7.3");
    EXPECT_DOUBLE_EQ(controller->Start(), 0.0);
    view.Type(kIdEndField, "7.3");  // the other field still takes typing
    EXPECT_DOUBLE_EQ(controller->End(), 7.3);
    controller->OnGraphPosition(123);
    EXPECT_EQ(view.sliderPos, 123);
    EXPECT_EQ(view.Text(kIdStartField), "12.3");
    EXPECT_DOUBLE_EQ(controller->Start(), 12.3);
}

TEST_F(EditorControllerTest, VolumeFieldIsKeptInRange) {
    Start(dir + "/clip.avi");
    view.Type(kIdVolumeField, "500");
    EXPECT_EQ(view.Text(kIdVolumeField), "300");
    EXPECT_DOUBLE_EQ(controller->Volume(), 300.0);
    // A number below the least stays as typed while typing goes on; the volume is the
    // least meanwhile, and the field shows it once editing ends.
    view.Type(kIdVolumeField, "7");
    EXPECT_EQ(view.Text(kIdVolumeField), "7");
    EXPECT_DOUBLE_EQ(controller->Volume(), 10.0);
    controller->OnVolumeFieldDone();
    EXPECT_EQ(view.Text(kIdVolumeField), "10");
    // "50" typed over the selected volume, key by key.
    view.Type(kIdVolumeField, "5");
    EXPECT_EQ(view.Text(kIdVolumeField), "5");
    view.Type(kIdVolumeField, "50");
    EXPECT_EQ(view.Text(kIdVolumeField), "50");
    EXPECT_DOUBLE_EQ(controller->Volume(), 50.0);
    controller->OnVolumeFieldDone();
    EXPECT_EQ(view.Text(kIdVolumeField), "50");
    view.Type(kIdVolumeField, "15a0");
    EXPECT_EQ(view.Text(kIdVolumeField), "150");
    EXPECT_DOUBLE_EQ(controller->Volume(), 150.0);
}

TEST_F(EditorControllerTest, SpinsMoveTheirOwnPoint) {
    Start(dir + "/clip.avi");
    view.Type(kIdStartField, "1.3");
    controller->OnTimeSpin(kIdStartSpin, -1);
    EXPECT_EQ(view.Text(kIdStartField), "1.4");
    EXPECT_DOUBLE_EQ(controller->Start(), 1.4);
    view.Type(kIdStartField, "1.3");
    controller->OnTimeSpin(kIdStartSpin, 1);
    EXPECT_EQ(view.Text(kIdStartField), "1.1");
    view.Check(kIdPointStart, false);
    view.Check(kIdPointEnd, true);
    controller->OnPointOption(false);
    double end = controller->End();
    controller->OnTimeSpin(kIdStartSpin, -1);
    EXPECT_EQ(view.Text(kIdStartField), "1.2");
    EXPECT_DOUBLE_EQ(controller->End(), end);
    controller->OnTimeSpin(kIdEndSpin, -1);  // already at the end: stays there
    EXPECT_EQ(view.Text(kIdEndField), "60.0");
}

TEST_F(EditorControllerTest, StepAndSliderMoveThePreview) {
    Start(dir + "/clip.avi");
    preview.position = 30;
    controller->OnStep(false);
    EXPECT_EQ(preview.position, 0);
    EXPECT_EQ(view.Text(kIdStartField), "0.0");
    preview.seeks.clear();
    controller->OnStep(false);
    EXPECT_TRUE(preview.seeks.empty());

    controller->OnPlay();
    controller->OnSliderMoving();
    EXPECT_FALSE(preview.running);
    view.sliderPos = 250;
    controller->OnSliderEnd();
    EXPECT_EQ(preview.position, 250);
    EXPECT_TRUE(preview.running);  // the drag paused it, the end resumed it
    EXPECT_DOUBLE_EQ(controller->Start(), 25.0);

    preview.seekOk = false;
    controller->OnSliderMoving();
    view.sliderPos = 400;
    controller->OnSliderEnd();
    EXPECT_EQ(view.sliderPos, 0);
    EXPECT_DOUBLE_EQ(controller->Start(), 0.0);
}

TEST_F(EditorControllerTest, TheSourceIsShownOnceTheGraphHasReadIt) {
    preview.duration = 123;
    controller = std::make_unique<EditorController>(
        view, preview, ogg, [] { return true; }, nullptr);
    view.controller = controller.get();
    controller->Initialise(dir + "/clip.avi", 50, nullptr);
    ASSERT_TRUE(controller->Opening());
    EXPECT_EQ(view.Text(kIdFileName), "clip.avi");
    for (int id : {kIdPlay, kIdExecute, kIdSlider, kIdStartField})
        EXPECT_TRUE(view.disabled.count(id)) << id << " waits for the source";
    controller->OnFrameStep(true);
    EXPECT_TRUE(preview.seeks.empty()) << "nothing to step in yet";

    controller->OnGraphOpened(preview.openCalls + 1);
    EXPECT_TRUE(controller->Opening()) << "a report of an open given up since";
    controller->OnGraphOpened(preview.openCalls);
    EXPECT_FALSE(controller->Opening());
    for (int id : {kIdPlay, kIdExecute, kIdSlider, kIdStartField})
        EXPECT_FALSE(view.disabled.count(id)) << id;
    EXPECT_EQ(view.Text(kIdLength), "12.3 秒");
    EXPECT_DOUBLE_EQ(controller->End(), 12.3);
    EXPECT_EQ(preview.volume, -1500) << "the preview plays at the main window's volume";
}

TEST_F(EditorControllerTest, ASeekTheGraphFailsLaterPutsADragBackToTheStart) {
    Start(dir + "/clip.avi");
    view.sliderPos = 250;
    controller->OnSliderEnd();
    EXPECT_DOUBLE_EQ(controller->Start(), 25.0) << "shown at once, as the graph goes there";
    controller->OnGraphSeekDone(true);
    EXPECT_EQ(view.sliderPos, 250);

    view.sliderPos = 400;
    controller->OnSliderEnd();
    controller->OnGraphSeekDone(false);
    EXPECT_EQ(view.sliderPos, 0);
    EXPECT_DOUBLE_EQ(controller->Start(), 0.0);
    EXPECT_EQ(view.Text(kIdStartField), "0.0");

    // A step's seek that fails leaves the point where the step put it.
    preview.position = 100;
    controller->OnStep(true);
    controller->OnGraphSeekDone(false);
    EXPECT_DOUBLE_EQ(controller->Start(), 15.0);
}

TEST_F(EditorControllerTest, EndOfPreviewRewindsTheFollowedPoint) {
    Start(dir + "/clip.avi");
    controller->OnPlay();
    controller->OnGraphPosition(300);
    controller->OnGraphComplete(15);
    EXPECT_DOUBLE_EQ(controller->Start(), 0.0);
    EXPECT_EQ(view.sliderPos, 0);
    EXPECT_TRUE(view.hidden.count(kIdPause));
    EXPECT_EQ(view.closes, 0);
}

TEST_F(EditorControllerTest, UnopenableSourceRefusesExecution) {
    preview.opens = false;
    Start(dir + "/broken.avi");
    EXPECT_EQ(view.Text(kIdLength), "");
    EXPECT_EQ(view.sliderMax, 0);
    EXPECT_DOUBLE_EQ(controller->End(), 0.0);
    controller->OnExecute();
    EXPECT_EQ(prompts.LastText(), "始点時間が、終点時間より大きい値になっています。");
    EXPECT_TRUE(prompts.FileRequests().empty());
}

TEST_F(EditorControllerTest, ExecuteConvertsTheRangeWithVolumeOrProfile) {
    std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    Start(source);
    view.Type(kIdStartField, "1.5");
    view.Type(kIdEndField, "2.5");
    view.Check(kIdPointStart, false);
    view.Check(kIdPointEnd, true);
    controller->OnPointOption(false);
    view.Check(kIdModeAsf, false);
    view.Check(kIdModeWav, true);
    view.Type(kIdVolumeField, "150");
    prompts.QueueFiles({dir + "/cut.wav"});
    controller->OnExecute();

    ASSERT_EQ(preview.converts.size(), 1u);
    const auto& c = preview.converts[0];
    EXPECT_EQ(c.mode, ConversionMode::Wav);
    EXPECT_EQ(c.target, dir + "/cut.wav");
    EXPECT_DOUBLE_EQ(c.start, 15.0);
    EXPECT_DOUBLE_EQ(c.stop, 25.0);
    EXPECT_EQ(c.extra, 150);
    EXPECT_EQ(prompts.FileRequests().back().filter, "Audio Files (*.wav)|*.wav||");
    EXPECT_TRUE(controller->IsExecuting());
    // Progress now shows in the start field.
    EXPECT_TRUE(view.IsChecked(kIdPointStart) && !view.IsChecked(kIdPointEnd));
    EXPECT_TRUE(controller->TrackingStart());
    for (int id : {kIdExecute, kIdPlay, kIdSlider, kIdStartField, kIdModeWav})
        EXPECT_TRUE(view.disabled.count(id)) << id;
    EXPECT_FALSE(view.disabled.count(kIdPause) || view.disabled.count(kIdCancel));
    EXPECT_EQ(controller->OutputList(), std::vector<std::string>{dir + "/cut.wav"});

    controller->OnGraphPosition(20);
    EXPECT_EQ(view.Text(kIdStartField), "2.0");
    controller->OnGraphComplete(15);
    EXPECT_EQ(view.closes, 1);
    EXPECT_TRUE(view.closedCompleted);
}

TEST_F(EditorControllerTest, AsfTakesTheChosenProfile) {
    std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    Start(source);
    view.profileOk = true;
    view.profileAnswer = 3;
    controller->OnProfile();
    prompts.QueueFiles({dir + "/cut.asf"});
    controller->OnExecute();
    ASSERT_EQ(preview.converts.size(), 1u);
    EXPECT_EQ(preview.converts[0].mode, ConversionMode::Asf);
    EXPECT_EQ(preview.converts[0].extra, 3);
}

TEST_F(EditorControllerTest, FailuresAreReportedNotTakenForSuccess) {
    std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    Start(source);
    preview.convertOk = false;
    prompts.QueueFiles({dir + "/cut.asf"});
    controller->OnExecute();
    EXPECT_EQ(prompts.LastText(), "何らかのエラーが発生しました。");
    EXPECT_EQ(view.closes, 1);
    EXPECT_FALSE(view.closedCompleted);
    EXPECT_EQ(controller->OutputList().size(), 1u);  // listed; the main window checks it exists

    // A conversion that stops without its end (a full disk, say) is a failure too.
    FakeView view2;
    FakePreview preview2;
    EditorController second(
        view2, preview2, ogg, [] { return true; }, nullptr);
    view2.controller = &second;
    InitialiseOpened(second, preview2, source);
    prompts.QueueFiles({dir + "/cut2.asf"});
    second.OnExecute();
    second.OnGraphStopped();
    EXPECT_EQ(prompts.LastText(), "何らかのエラーが発生しました。");
    EXPECT_EQ(view2.closes, 1);
    EXPECT_FALSE(view2.closedCompleted);
}

TEST_F(EditorControllerTest, SourceIsNeverTheTarget) {
    std::string source = testmedia::WriteBytes(dir, "clip.wav", "keep");
    Start(source);
    prompts.QueueFiles({dir + "/./clip.wav"});
    controller->OnExecute();
    EXPECT_TRUE(preview.converts.empty());
    EXPECT_FALSE(controller->IsExecuting());
    EXPECT_EQ(testmedia::ReadFile(source), "keep");
    // Cancelling the prompt changes nothing either.
    controller->OnExecute();
    EXPECT_TRUE(preview.converts.empty());
    EXPECT_FALSE(view.disabled.count(kIdExecute));
}

// tunewell writes the header last: a file whose header covers all its bytes is complete.
void WriteWav(const std::string& path, uint32_t declared, uint32_t actual) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.put(static_cast<char>(v >> (8 * i)));
    };
    out.write("RIFF", 4);
    put32(declared + 38);
    out.write("WAVEfmt ", 8);
    put32(18);
    out.write("\x01\x00\x02\x00\x44\xAC\x00\x00\x10\xB1\x02\x00\x04\x00\x10\x00\x00\x00", 18);
    out.write("data", 4);
    put32(declared);
    out << std::string(actual, '\0');
}

TEST_F(EditorControllerTest, OggOutputIsRenamedOnlyWhenComplete) {
    std::string source = testmedia::WriteBytes(dir, "song.ogg", "x");
    Start(source);
    controller->OnPlay();
    view.Type(kIdEndField, "20.5");
    view.Type(kIdVolumeField, "200");
    prompts.QueueFiles({dir + "/cut.wav"});
    controller->OnExecute();
    ASSERT_FALSE(ogg.wavePath.empty()) << "a playing preview must not block the output";
    EXPECT_NE(ogg.wavePath, dir + "/cut.wav");
    EXPECT_EQ(ogg.waveVolume, 200);
    EXPECT_DOUBLE_EQ(ogg.waveEnd, 20.5);
    WriteWav(ogg.wavePath, 400, 400);
    controller->OnOggEnd();
    EXPECT_EQ(view.closes, 1);
    EXPECT_TRUE(view.closedCompleted);
    EXPECT_EQ(testmedia::ReadFile(dir + "/cut.wav").size(), 446u);
    EXPECT_TRUE(testmedia::ReadFile(ogg.wavePath).empty());
}

TEST_F(EditorControllerTest, IncompleteOggOutputIsDroppedAndReported) {
    std::string source = testmedia::WriteBytes(dir, "song.ogg", "x");
    std::string old = testmedia::WriteBytes(dir, "cut.wav", "previous");
    Start(source);
    prompts.QueueFiles({old});
    controller->OnExecute();
    ASSERT_FALSE(ogg.wavePath.empty());
    WriteWav(ogg.wavePath, 4000, 100);  // the disk filled up
    controller->OnOggEnd();
    EXPECT_EQ(prompts.LastText(), "何らかのエラーが発生しました。");
    EXPECT_FALSE(view.closedCompleted);
    EXPECT_EQ(testmedia::ReadFile(old), "previous");
    EXPECT_TRUE(testmedia::ReadFile(ogg.wavePath).empty());
}

TEST_F(EditorControllerTest, CancelledOggOutputLeavesNoScratchFile) {
    std::string source = testmedia::WriteBytes(dir, "song.ogg", "x");
    Start(source);
    prompts.QueueFiles({dir + "/cut.wav"});
    controller->OnExecute();
    ASSERT_FALSE(ogg.wavePath.empty());
    WriteWav(ogg.wavePath, 100, 50);
    controller->Shutdown();
    EXPECT_GE(ogg.closes, 1);
    EXPECT_TRUE(testmedia::ReadFile(ogg.wavePath).empty());
    EXPECT_TRUE(testmedia::ReadFile(dir + "/cut.wav").empty());
}

}  // namespace

namespace {

TEST(EditorRules, UncompressedAviEstimateCountsPaddedRowsEveryFrameAndTheSound) {
    // 322 pixels of 24 bits are 966 bytes, padded to 968.
    EXPECT_EQ(UncompressedAviBytes(322, 10, 25.0, 2.0, 0), 968ull * 10 * 50);
    // A range that ends inside a frame still writes that frame.
    EXPECT_EQ(UncompressedAviBytes(320, 240, 30.0, 0.05, 0), 320ull * 3 * 240 * 2);
    EXPECT_EQ(UncompressedAviBytes(320, 240, 30.0, 1.0, 176400), 320ull * 3 * 240 * 30 + 176400);
    // Far beyond 32 bits without wrapping.
    EXPECT_EQ(UncompressedAviBytes(3840, 2160, 60.0, 3600.0, 0), 3840ull * 3 * 2160 * 216000);
    for (double bad : {0.0, -1.0}) EXPECT_EQ(UncompressedAviBytes(320, 240, bad, 1.0, 0), 0u);
    EXPECT_EQ(UncompressedAviBytes(0, 240, 30.0, 1.0, 0), 0u);
}

TEST_F(EditorControllerTest, AnAviThatMayNotFitAsksAndCancelsOrGoesOnAsAnswered) {
    std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    // A minute of 8K frames at 1000 frames a second fits on no test machine's disk.
    preview.videoWidth = 7680;
    preview.videoHeight = 4320;
    preview.videoFps = 1000.0;
    Start(source);
    view.Check(kIdModeAsf, false);
    view.Check(kIdModeAvi, true);

    prompts.QueueFiles({dir + "/cut.avi"});
    prompts.QueueAnswer(IDNO);
    controller->OnExecute();
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_NE(prompts.LastText().find("空き容量"), std::string::npos) << prompts.LastText();
    EXPECT_TRUE(preview.converts.empty());
    EXPECT_FALSE(controller->IsExecuting());
    EXPECT_FALSE(view.disabled.count(kIdExecute)) << "cancelled: the editor stays usable";

    prompts.QueueFiles({dir + "/cut.avi"});
    prompts.QueueAnswer(IDYES);
    controller->OnExecute();
    EXPECT_EQ(prompts.Boxes().size(), 2u);
    ASSERT_EQ(preview.converts.size(), 1u);
    EXPECT_EQ(preview.converts[0].mode, ConversionMode::Avi);
    EXPECT_TRUE(controller->IsExecuting());
}

TEST_F(EditorControllerTest, ACutThatFitsIsNotQuestioned) {
    std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    preview.videoWidth = 16;
    preview.videoHeight = 16;
    preview.videoFps = 10.0;
    Start(source);
    view.Check(kIdModeAsf, false);
    view.Check(kIdModeAvi, true);
    prompts.QueueFiles({dir + "/small.avi"});
    controller->OnExecute();
    EXPECT_TRUE(prompts.Boxes().empty());
    EXPECT_EQ(preview.converts.size(), 1u);
}

}  // namespace

namespace {

// The preview graph hands its failure texts over; the editor shows each once, as the graph
// described it, ahead of its own word on a failed cut.
TEST_F(EditorControllerTest, ThePreviewGraphsFailureBoxesAreShownByTheEditor) {
    const Notice renderFile{"FAILED(hr=0x80040218) m_pGB->RenderFile( wFile, NULL )\n", "警告",
                            MB_OK};
    std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    preview.opens = false;
    preview.notices = {renderFile};
    Start(source);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].text, renderFile.text);
    EXPECT_EQ(prompts.Boxes()[0].caption, "警告");
    EXPECT_EQ(prompts.Boxes()[0].style, MB_OK);

    prompts.Clear();
    preview.opens = true;
    preview.duration = 600;
    preview.content = MediaContent::AudioVideo;
    preview.convertOk = false;
    Start(source);
    EXPECT_TRUE(prompts.Boxes().empty());
    preview.notices = {renderFile};
    prompts.QueueFiles({dir + "/cut.asf"});
    controller->OnExecute();
    ASSERT_EQ(prompts.Boxes().size(), 2u) << prompts.LastText();
    EXPECT_EQ(prompts.Boxes()[0].text, renderFile.text);
    EXPECT_EQ(prompts.Boxes()[1].text, "何らかのエラーが発生しました。");
}

}  // namespace

namespace {

TEST_F(EditorControllerTest, AStartThatFailsOnceTheSourceIsReadShowsTheSameBoxesThen) {
    const std::string source = testmedia::WriteBytes(dir, "clip.avi", "x");
    const Notice renderFile{"FAILED(hr=0x80040218) m_pGB->RenderFile( wFile, NULL )\n", "警告",
                            MB_OK | MB_ICONEXCLAMATION};
    Start(source);
    preview.startOk = false;
    prompts.QueueFiles({dir + "/cut.asf"});
    controller->OnExecute();
    ASSERT_EQ(preview.converts.size(), 1u);
    EXPECT_TRUE(prompts.Boxes().empty()) << "nothing is told while the source is read";
    EXPECT_EQ(view.closes, 0);
    EXPECT_TRUE(controller->IsExecuting());

    preview.notices = {renderFile};
    controller->OnConversionStarted(preview.StartTicket() + 1);
    EXPECT_TRUE(prompts.Boxes().empty()) << "a report of another start";
    controller->OnConversionStarted(preview.StartTicket());
    ASSERT_EQ(prompts.Boxes().size(), 2u);
    EXPECT_EQ(prompts.Boxes()[0].text, renderFile.text);
    EXPECT_EQ(prompts.Boxes()[1].text, "何らかのエラーが発生しました。");
    EXPECT_EQ(view.closes, 1);
    EXPECT_FALSE(view.closedCompleted);
    controller->OnConversionStarted(preview.StartTicket());
    EXPECT_EQ(prompts.Boxes().size(), 2u) << "told once";
}

}  // namespace
