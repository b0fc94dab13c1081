// The main window's commands over its real controls and list, with fake engines: the keys'
// steps stay within the item and wait for one, and a start with several files lists them
// all and plays the first one that could be listed.
#include "player/main_window_commands.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "player/editor_host.h"
#include "player/main_window_controls.h"
#include "player/playback_controller.h"
#include "player/window_adapters.h"
#include "playlist/playlist_ctrl.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"
#include "tests/player/playback_fakes.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

class CommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("commands");
        first = testmedia::WriteBytes(dir, "first.mp3", "x");
        second = testmedia::WriteBytes(dir, "second.mp3", "x");
        graph.durations[first] = 125;
        graph.durations[second] = 40;
        controls.Seek()->setRange(0, 100);
        controls.Volume()->setRange(0, 100);
        controls.Volume()->setValue(50);
    }
    void TearDown() override { testmedia::RemoveTree(dir); }
    // The graph's report that the file is read, as the window's pump hands it over.
    void FinishOpen() { ASSERT_TRUE(controller.OnGraphOpened(graph.ticket)); }

    ScriptedPrompts prompts;
    QWidget window;
    player::MainWindowControls controls{&window};
    fakes::CallLog log;
    fakes::FakeGraph graph{log};
    fakes::FakeOgg ogg{log};
    fakes::FakeSound sound{log};
    fakes::FakeRules rules;
    player::ListAdapter list{controls.List()};
    fakes::FakeViewer viewer{log};
    player::DisplayAdapter display{{&window, controls.Button(player::kSlotPlay),
                                    controls.Button(player::kSlotPause), controls.Seek(),
                                    controls.Volume(), nullptr, nullptr}};
    player::PlaybackController controller{{&graph, &ogg, &sound, &rules, &list, &viewer, &display}};
    player::MainWindowCommands commands{{&window, &controls, &controller, nullptr, [] {}}};
    std::string dir, first, second;
};

TEST_F(CommandsTest, KeyStepsStayWithinTheItemAndWaitForOne) {
    commands.SeekBy(50);
    EXPECT_EQ(log.Count("graph.Seek(50)"), 0) << "a step without an item sought";

    ASSERT_TRUE(commands.AddAndPlay(first));
    FinishOpen();
    ASSERT_EQ(controls.Seek()->maximum(), 125);
    commands.SeekBy(300);
    EXPECT_EQ(controls.Seek()->value(), 125);
    EXPECT_TRUE(log.Has("graph.Seek(125)"));
    commands.SeekBy(-500);
    EXPECT_EQ(controls.Seek()->value(), 0);
    EXPECT_TRUE(log.Has("graph.Seek(0)"));

    commands.StepVolume(80);
    EXPECT_EQ(controls.Volume()->value(), 100);
    EXPECT_EQ(graph.volume, 0);
    commands.StepVolume(-130);
    EXPECT_EQ(controls.Volume()->value(), 0);
    EXPECT_EQ(graph.volume, -10000) << "the volume at 0 is silence";
}

TEST_F(CommandsTest, SeveralStartFilesAreAllListedAndTheFirstListedPlays) {
    const std::string missing = dir + "/gone.mp3";
    ASSERT_TRUE(commands.AddAllAndPlayFirst({missing, first, second}));
    EXPECT_EQ(controls.List().Paths(), (std::vector<std::string>{first, second}));
    EXPECT_TRUE(log.Has("graph.Open(" + first + ")"));
    EXPECT_FALSE(log.Has("graph.Open(" + second + ")"));

    EXPECT_FALSE(commands.AddAllAndPlayFirst({missing}));
    EXPECT_EQ(controls.List().RowCount(), 2);
}

}  // namespace
