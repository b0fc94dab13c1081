#include "player/playback_controller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/player/playback_fakes.h"
#include "tests/support/media_factory.h"

namespace {

using player::PlaybackController;

// The controller as the window drives it, with every open the fake graph has in progress
// finished before a call returns, as it is once the window has handled UM_GRAPH_OPENED.
class SettledController : public PlaybackController {
  public:
    SettledController(const player::PlaybackPorts& ports, fakes::FakeGraph& graph)
        : PlaybackController(ports), m_graph(graph) {}
    bool OpenAndPlay(const std::string& path) {
        return Settle(PlaybackController::OpenAndPlay(path));
    }
    void PlaySelected() {
        Settled([&] { PlaybackController::PlaySelected(); });
    }
    void PlayNext() {
        Settled([&] { PlaybackController::PlayNext(); });
    }
    void PlayPrevious() {
        Settled([&] { PlaybackController::PlayPrevious(); });
    }
    void OnGraphComplete(intptr_t code) {
        Settled([&] { PlaybackController::OnGraphComplete(code); });
    }
    void OnGraphNextStarted(bool heard) {
        Settled([&] { PlaybackController::OnGraphNextStarted(heard); });
    }
    void OnOggEnd() {
        Settled([&] { PlaybackController::OnOggEnd(); });
    }
    void OnGraphRewound(bool ok) {
        Settled([&] { PlaybackController::OnGraphRewound(ok); });
    }

  private:
    template <typename F>
    void Settled(F call) {
        call();
        Settle(true);
    }
    bool Settle(bool ok) {
        while (m_graph.opening) {
            const intptr_t ticket = m_graph.ticket;
            ok = OnGraphOpened(ticket);
            if (m_graph.opening && m_graph.ticket == ticket)
                break;  // not the controller's open: nothing more to hand over
        }
        return ok;
    }
    fakes::FakeGraph& m_graph;
};

class PlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("playback");
        for (const char* name : {"a.mp3", "b.wav", "c.mp3", "song.ogg", "clip.avi", "photo.jpg"})
            paths[name] = testmedia::WriteBytes(dir, name, "x");
        graph.durations[paths["a.mp3"]] = 125;
        graph.durations[paths["b.wav"]] = 40;
        graph.durations[paths["c.mp3"]] = 70;
        graph.durations[paths["clip.avi"]] = 50;
        graph.dims[paths["clip.avi"]] = {640, -480};
        graph.dims[paths["photo.jpg"]] = {800, 600};
    }
    void TearDown() override { testmedia::RemoveTree(dir); }

    void Rows(std::initializer_list<const char*> names) {
        for (const char* n : names) list.rows.push_back(paths.count(n) ? paths[n] : std::string(n));
    }

    fakes::CallLog log;
    fakes::FakeGraph graph{log};
    fakes::FakeOgg ogg{log};
    fakes::FakeSound sound{log};
    fakes::FakeRules rules;
    fakes::FakeList list;
    fakes::FakeViewer viewer{log};
    fakes::FakeDisplay display{log};
    SettledController c{{&graph, &ogg, &sound, &rules, &list, &viewer, &display}, graph};
    std::string dir;
    std::map<std::string, std::string> paths;
};

TEST_F(PlaybackTest, SoundFileThroughTheGraphIsCuedRangedAndStarted) {
    display.pauseShown = false;
    ASSERT_TRUE(c.OpenAndPlay(paths["a.mp3"]));
    EXPECT_TRUE(log.Has("sound.Release"));
    EXPECT_TRUE(log.Has("graph.SetWindows(none)"));
    EXPECT_TRUE(log.Has("graph.Open(" + paths["a.mp3"] + ")"));
    EXPECT_TRUE(log.Has("graph.Restart"));
    EXPECT_EQ(display.seekMax, 125);
    EXPECT_TRUE(display.seekEnabled);
    EXPECT_EQ(graph.volume, -1500);
    EXPECT_TRUE(display.pauseShown);
    EXPECT_EQ(c.Mode(), player::ModeAudio);
    EXPECT_EQ(c.Engine(), player::kEngineGraph);
    EXPECT_FALSE(viewer.exists) << "a song needs no viewer";
}

TEST_F(PlaybackTest, MissingUnknownAndFailingItemsReportFailureAndKeepTheButtons) {
    EXPECT_FALSE(c.OpenAndPlay(dir + "/gone.mp3"));
    EXPECT_FALSE(c.OpenAndPlay(""));
    EXPECT_FALSE(log.Has("graph.Open(" + dir + "/gone.mp3)"));
    EXPECT_FALSE(c.OpenAndPlay(testmedia::WriteBytes(dir, "notes.txt", "x")));
    EXPECT_EQ(c.Mode(), player::ModeNone);
    graph.failing[paths["b.wav"]] = true;
    EXPECT_FALSE(c.OpenAndPlay(paths["b.wav"]));
    EXPECT_FALSE(display.pauseShown);
    EXPECT_FALSE(c.OpenAndPlay(std::string(5000, 'a') + ".mp3")) << "an over-long path is refused";
}

TEST_F(PlaybackTest, OggItemGoesThroughTunewellWithTheSoundDevice) {
    ASSERT_TRUE(c.OpenAndPlay(paths["song.ogg"]));
    EXPECT_TRUE(log.Has("sound.Create"));
    EXPECT_TRUE(log.Has("ogg.Init(device)"));
    EXPECT_EQ(display.seekMax, 123) << "12.39 s is 123 tenths, truncated";
    EXPECT_EQ(sound.volume, -1500);
    EXPECT_TRUE(ogg.playing);
    EXPECT_FALSE(log.Has("graph.Open(" + paths["song.ogg"] + ")"));

    // The next item of another kind closes tunewell first and gives the device back.
    log.calls.clear();
    ASSERT_TRUE(c.OpenAndPlay(paths["a.mp3"]));
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ(log.calls[0], "ogg.Close");
    EXPECT_TRUE(log.Has("sound.Release"));
}

TEST_F(PlaybackTest, SoundDeviceFailureIsShownAndGivesUpTheItem) {
    sound.createFails = true;
    EXPECT_FALSE(c.OpenAndPlay(paths["song.ogg"]));
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0], "DirectSoundの作成に失敗しました。");
    EXPECT_FALSE(log.Has("ogg.Open(" + paths["song.ogg"] + ")"));
}

TEST_F(PlaybackTest, OggWithoutTunewellFailsQuietly) {
    ogg.loaded = false;
    rules.oggLoaded = false;
    EXPECT_FALSE(c.OpenAndPlay(paths["song.ogg"]));
    EXPECT_TRUE(display.messages.empty());
    EXPECT_FALSE(log.Has("sound.Create"));
}

TEST_F(PlaybackTest, VideoOpensTheViewerAndFitsItToTheVideo) {
    ASSERT_TRUE(c.OpenAndPlay(paths["clip.avi"]));
    EXPECT_TRUE(viewer.exists && viewer.visible && viewer.picture && viewer.areaShown);
    EXPECT_EQ(viewer.engine, player::kEngineGraph);
    EXPECT_TRUE(log.Has("graph.SetWindows(video)"));
    EXPECT_EQ(graph.lastRect, QRect(0, 0, 290, 195));
    EXPECT_TRUE(log.Has("viewer.Fit(640x480,resize)")) << "a negative height counts as positive";
    EXPECT_EQ(c.Mode(), player::ModeVideo);

    c.SetKeepWindowSize(true);
    ASSERT_TRUE(c.OpenAndPlay(paths["clip.avi"]));
    EXPECT_TRUE(log.Has("viewer.Fit(640x480,keep)"));
}

TEST_F(PlaybackTest, PictureIsCuedInTheViewerAndNothingRunsOrAdvances) {
    Rows({"a.mp3", "photo.jpg", "c.mp3"});
    list.selected = 0;
    c.PlaySelected();
    ASSERT_TRUE(display.pauseShown && display.seekEnabled);
    log.calls.clear();
    list.selected = 1;
    c.PlaySelected();
    EXPECT_EQ(c.Mode(), player::ModeImage);
    EXPECT_TRUE(viewer.visible && viewer.picture);
    EXPECT_FALSE(log.Has("graph.Restart"));
    EXPECT_EQ(graph.state, player::GraphPort::Idle);
    // The song is closed: Play shows, the seek slider rests, Pause has nothing to pause.
    EXPECT_FALSE(display.pauseShown);
    EXPECT_FALSE(display.seekEnabled);
    EXPECT_EQ(display.seekPos, 0);
    c.Pause();
    EXPECT_FALSE(log.Has("graph.PlayPause")) << "pausing a picture would run its graph";
    EXPECT_EQ(graph.state, player::GraphPort::Idle);
    c.OnSeekScroll(false);
    c.OnSeekScroll(true);
    EXPECT_FALSE(log.Has("graph.PlayPause"));
    EXPECT_FALSE(log.Has("graph.Seek(0)"));
    // Even a reported end does not move the list on.
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(c.Mode(), player::ModeImage);
    EXPECT_EQ(graph.file, paths["photo.jpg"]);
}

TEST_F(PlaybackTest, VideoWithoutDimensionsOrViewerFails) {
    graph.dims.erase(paths["clip.avi"]);
    EXPECT_FALSE(c.OpenAndPlay(paths["clip.avi"]));
    viewer.exists = false;
    viewer.createFails = true;
    EXPECT_FALSE(c.OpenAndPlay(paths["photo.jpg"]));
}

TEST_F(PlaybackTest, ListPlaysToItsEndAndStops) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    list.selected = 0;
    c.PlaySelected();
    EXPECT_EQ(c.CurrentRow(), 0);
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(list.selected, 1) << "the advance moves the selection along";
    EXPECT_EQ(graph.file, paths["b.wav"]);
    c.OnGraphComplete(7);  // not an end of stream
    EXPECT_EQ(c.CurrentRow(), 1);
    c.OnGraphComplete(15);
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 2);
    EXPECT_EQ(c.Mode(), player::ModeNone);
    EXPECT_EQ(c.Engine(), player::kEngineNone);
    EXPECT_FALSE(display.pauseShown);
    EXPECT_FALSE(display.seekEnabled);
    EXPECT_EQ(display.seekPos, 0);
}

TEST_F(PlaybackTest, AdvanceSkipsRowsThatCannotBePlayed) {
    Rows({"a.mp3", "b.wav", "/nowhere/x.mp3", "c.mp3"});
    graph.failing[paths["b.wav"]] = true;
    list.selected = 0;
    c.PlaySelected();
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 3);
    EXPECT_EQ(graph.file, paths["c.mp3"]);
    EXPECT_TRUE(display.pauseShown);
}

TEST_F(PlaybackTest, AGraphThatCannotStartFailsItsItemAndTheAdvanceGoesOn) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    list.selected = 0;
    c.PlaySelected();
    ASSERT_TRUE(display.pauseShown);
    c.OnGraphRewound(true);
    EXPECT_EQ(c.Mode(), player::ModeAudio) << "started: nothing changes";
    // Started by the user, a failed start stops there.
    c.OnGraphRewound(false);
    EXPECT_EQ(c.Mode(), player::ModeNone);
    EXPECT_FALSE(display.pauseShown);
    EXPECT_EQ(list.playing, -1);
    EXPECT_FALSE(graph.hasGraph) << "closed";
    EXPECT_EQ(c.CurrentRow(), 0);
    c.OnGraphRewound(false);  // a late report finds nothing to fail
    EXPECT_EQ(c.CurrentRow(), 0);

    // Reached by the advance, the list goes on past it.
    c.PlaySelected();
    c.OnGraphComplete(15);
    ASSERT_EQ(c.CurrentRow(), 1);
    c.OnGraphRewound(false);
    EXPECT_EQ(c.CurrentRow(), 2);
    EXPECT_EQ(graph.file, paths["c.mp3"]);
    EXPECT_TRUE(display.pauseShown);
}

TEST_F(PlaybackTest, AdvanceStopsAtAPicture) {
    Rows({"a.mp3", "photo.jpg", "c.mp3"});
    list.selected = 0;
    c.PlaySelected();
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(c.Mode(), player::ModeImage);
}

TEST_F(PlaybackTest, PreviousAndNextMoveFromTheCurrentRowOnly) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    c.PlayNext();
    c.PlayPrevious();
    EXPECT_EQ(c.CurrentRow(), -1) << "nothing played yet";
    list.selected = 0;
    c.PlaySelected();
    c.PlayPrevious();
    EXPECT_EQ(c.CurrentRow(), 0);
    c.PlayNext();
    c.PlayNext();
    EXPECT_EQ(c.CurrentRow(), 2);
    c.PlayNext();
    EXPECT_EQ(c.CurrentRow(), 2);
    c.PlayPrevious();
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(list.selected, 2) << "previous leaves the selection alone";
    c.PlaySelected();
    EXPECT_EQ(graph.file, paths["c.mp3"]);
}

TEST_F(PlaybackTest, PlayResumesPausedItemAndReopensStoppedOne) {
    Rows({"a.mp3"});
    list.selected = 0;
    c.PlaySelected();
    c.Pause();
    EXPECT_EQ(graph.state, player::GraphPort::Paused);
    EXPECT_FALSE(display.pauseShown);
    c.Pause();  // already paused: nothing
    EXPECT_EQ(log.Count("graph.PlayPause"), 1);
    log.calls.clear();
    c.PlaySelected();
    EXPECT_EQ(graph.state, player::GraphPort::Running);
    EXPECT_FALSE(log.Has("graph.Restart"));
    c.PlaySelected();  // playing: unchanged
    EXPECT_EQ(log.Count("graph.PlayPause"), 1);
    c.Stop();
    EXPECT_EQ(c.CurrentRow(), 0) << "stop keeps the current row";
    c.PlaySelected();
    EXPECT_TRUE(log.Has("graph.Restart"));
}

TEST_F(PlaybackTest, OggPauseResumeAndEnd) {
    Rows({"song.ogg", "a.mp3"});
    list.selected = 0;
    c.PlaySelected();
    c.Pause();
    EXPECT_TRUE(ogg.paused);
    log.calls.clear();
    c.PlaySelected();
    EXPECT_TRUE(log.Has("ogg.Play"));
    EXPECT_FALSE(log.Has("ogg.Open(" + paths["song.ogg"] + ")"));
    c.OnOggPosition(42);
    EXPECT_EQ(display.seekPos, 42);
    c.OnOggEnd();
    EXPECT_FALSE(ogg.active) << "the finished file is closed before the next item";
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(graph.file, paths["a.mp3"]);
}

// tunewell carries its stream on into the next Ogg file only on the device it plays on:
// between two Ogg items the device stays; before a graph item tunewell lets go of it
// first. The window's state follows the hand-over.
TEST_F(PlaybackTest, OggAdvanceKeepsTheDeviceAndAGraphItemAfterItTakesItAway) {
    paths["next.ogg"] = testmedia::WriteBytes(dir, "next.ogg", "x");
    Rows({"song.ogg", "next.ogg", "a.mp3"});
    list.selected = 0;
    c.PlaySelected();
    c.OnOggPosition(77);
    log.calls.clear();
    c.OnOggEnd();
    EXPECT_FALSE(log.Has("sound.Release"));
    EXPECT_FALSE(log.Has("ogg.Init(null)"));
    EXPECT_TRUE(log.Has("ogg.Open(" + paths["next.ogg"] + ")"));
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(list.playing, 1);
    EXPECT_EQ(display.seekMax, 123);
    EXPECT_EQ(display.seekPos, 0) << "the time readout starts again";
    EXPECT_TRUE(display.pauseShown);
    EXPECT_TRUE(ogg.playing);

    log.calls.clear();
    c.OnOggEnd();
    const auto& calls = log.calls;
    const auto init = std::find(calls.begin(), calls.end(), "ogg.Init(null)");
    const auto release = std::find(calls.begin(), calls.end(), "sound.Release");
    ASSERT_NE(init, calls.end());
    ASSERT_NE(release, calls.end());
    EXPECT_LT(init, release);
    EXPECT_EQ(graph.file, paths["a.mp3"]);
    EXPECT_EQ(list.playing, 2);
}

TEST_F(PlaybackTest, SeekDragHoldsPlaybackAndResumesAtTheEnd) {
    ASSERT_TRUE(c.OpenAndPlay(paths["a.mp3"]));
    c.OnSeekScroll(false);
    EXPECT_EQ(graph.state, player::GraphPort::Paused);
    c.OnSeekScroll(false);  // still dragging: paused already
    EXPECT_EQ(log.Count("graph.PlayPause"), 1);
    display.seekPos = 87;
    c.OnSeekScroll(true);
    EXPECT_TRUE(log.Has("graph.Seek(87)"));
    EXPECT_EQ(graph.state, player::GraphPort::Running);
    EXPECT_FALSE(display.waitCursor);

    graph.seekOk = false;
    display.seekPos = 30;
    c.OnSeekScroll(true);
    EXPECT_EQ(display.seekPos, 0) << "a failed seek puts the thumb back to the start";
}

TEST_F(PlaybackTest, OggSeekGoesToWholeSeconds) {
    ASSERT_TRUE(c.OpenAndPlay(paths["song.ogg"]));
    c.OnSeekScroll(false);
    EXPECT_TRUE(ogg.paused);
    display.seekPos = 57;
    c.OnSeekScroll(true);
    EXPECT_DOUBLE_EQ(ogg.seekSeconds, 5.0);
    EXPECT_TRUE(ogg.playing);
}

TEST_F(PlaybackTest, BothEnginesShareOneVolumeScaleWithSilenceAtTheBottom) {
    ASSERT_TRUE(c.OpenAndPlay(paths["a.mp3"]));
    for (auto [pos, want] : {std::pair{0, -10000}, {1, -2970}, {100, 0}, {50, -1500}, {99, -30}}) {
        display.volumePos = pos;
        c.OnVolumeScroll(true);
        EXPECT_EQ(graph.volume, want) << pos;
    }
    ASSERT_TRUE(c.OpenAndPlay(paths["song.ogg"]));
    for (auto [pos, want] : {std::pair{0, -10000}, {1, -2970}, {100, 0}, {50, -1500}}) {
        display.volumePos = pos;
        c.OnVolumeScroll(false);  // intermediate notifications change nothing
        c.OnVolumeScroll(true);
        EXPECT_EQ(sound.volume, want) << pos;
    }
}

TEST_F(PlaybackTest, ClosingAnItemDropsItsQueuedReports) {
    ASSERT_TRUE(c.OpenAndPlay(paths["a.mp3"]));
    log.calls.clear();
    ASSERT_TRUE(c.OpenAndPlay(paths["b.wav"]));
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ(log.calls[0], "graph.Close");
    EXPECT_EQ(log.calls[1], "drop.graph");
}

TEST_F(PlaybackTest, ViewerToggleCreatesOnceThenShowsAndHides) {
    c.ToggleViewer();
    EXPECT_TRUE(viewer.exists && viewer.visible);
    EXPECT_FALSE(viewer.picture || viewer.areaShown);
    c.ToggleViewer();
    EXPECT_FALSE(viewer.visible);
    c.ToggleViewer();
    EXPECT_TRUE(viewer.visible);
    EXPECT_EQ(log.Count("viewer.Create"), 1);
}

TEST_F(PlaybackTest, NextAndPreviousGoFromTheRowThatPlaysAfterTheListMoved) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    list.selected = 0;
    c.PlaySelected();
    // Sorted descending: c, b, a. The list carries its mark to a.mp3's new row.
    list.rows = {paths["c.mp3"], paths["b.wav"], paths["a.mp3"]};
    list.playing = 2;
    c.PlayPrevious();
    EXPECT_EQ(graph.file, paths["b.wav"]) << "the row above the marked one";
    EXPECT_EQ(c.CurrentRow(), 1);
    // A row above the playing one goes away: Next still plays the row below.
    list.rows.erase(list.rows.begin());
    list.playing = 0;
    c.PlayNext();
    EXPECT_EQ(graph.file, paths["a.mp3"]);
    EXPECT_EQ(c.CurrentRow(), 1);
    // The automatic advance follows the mark as well.
    list.rows.insert(list.rows.begin(), paths["c.mp3"]);
    list.rows.push_back(paths["c.mp3"]);
    list.playing = 2;
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 3);
}

TEST_F(PlaybackTest, StoppedItemIsFoundAgainByItsFileWhenRowsMoved) {
    Rows({"a.mp3", "b.wav", "c.mp3", "b.wav"});
    list.selected = 1;
    c.PlaySelected();
    c.Stop();
    EXPECT_EQ(list.playing, -1) << "stopped, nothing is marked";
    list.rows.erase(list.rows.begin());  // a.mp3 removed above the stopped item
    c.PlayNext();
    EXPECT_EQ(graph.file, paths["c.mp3"]) << "not the row two below";
    c.Stop();
    list.rows = {paths["c.mp3"], paths["b.wav"], paths["a.mp3"], paths["b.wav"]};
    log.calls.clear();
    c.PlayPrevious();
    EXPECT_FALSE(log.Has("graph.Restart")) << "sorted to the top, it has no previous row";
    EXPECT_EQ(c.CurrentRow(), 0);
    c.PlayNext();
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(graph.file, paths["b.wav"]);
}

TEST_F(PlaybackTest, TheListMarksTheRowThatIsOpen) {
    Rows({"a.mp3", "b.wav", "photo.jpg", "c.mp3"});
    list.selected = 0;
    c.PlaySelected();
    EXPECT_EQ(list.playing, 0);
    c.Pause();
    EXPECT_EQ(list.playing, 0) << "paused is still open";
    c.OnGraphComplete(15);
    EXPECT_EQ(list.playing, 1);
    c.PlayPrevious();
    EXPECT_EQ(list.playing, 0);
    EXPECT_EQ(list.selected, 1) << "the mark shows what plays where the selection does not";
    c.PlayNext();
    c.PlayNext();
    EXPECT_EQ(list.playing, 2) << "a picture shown counts as open";
    c.Stop();
    EXPECT_EQ(list.playing, -1);
    graph.failing[paths["c.mp3"]] = true;
    c.PlayNext();
    EXPECT_EQ(list.playing, -1) << "nothing plays after a failed open";
    list.selected = 1;
    c.PlaySelected();
    c.Pause();
    list.playing = 3;  // the list moved its mark; resuming puts it where the item is
    c.PlaySelected();
    EXPECT_EQ(list.playing, 1);
    c.OnGraphComplete(15);  // b.wav ends, the picture opens
    c.SetCurrentRow(3);
    c.OnGraphComplete(15);  // ignored for the picture
    EXPECT_EQ(list.playing, 2);
    list.selected = 3;
    c.PlaySelected();  // c.mp3 fails
    EXPECT_EQ(list.playing, -1);
}

}  // namespace

TEST_F(PlaybackTest, PlayWithNothingSelectedStartsAtTheTopOrDoesNothingOnAnEmptyList) {
    list.selected = -1;
    c.PlaySelected();
    EXPECT_EQ(c.CurrentRow(), -1);
    EXPECT_FALSE(log.Has("graph.Restart"));

    Rows({"a.mp3", "b.wav"});
    list.selected = -1;
    c.PlaySelected();
    EXPECT_EQ(c.CurrentRow(), 0);
    EXPECT_EQ(list.selected, 0) << "the row that plays is the one selected";
    EXPECT_EQ(graph.file, paths["a.mp3"]);
    EXPECT_TRUE(display.pauseShown);
}

namespace {

// A sound item near its end, with the next row prepared behind it.
class PreparedAdvanceTest : public PlaybackTest {
  protected:
    void PlayFirstToNearItsEnd() {
        Rows({"a.mp3", "b.wav", "c.mp3"});
        list.selected = 0;
        c.PlaySelected();
        c.OnGraphPosition(10);  // 11.5 s left: too early to prepare anything
        ASSERT_TRUE(graph.queued.empty());
        c.OnGraphPosition(80);
        ASSERT_EQ(graph.queued, paths["b.wav"]);
    }
};

TEST_F(PreparedAdvanceTest, TheHeardNextItemBecomesCurrentWithoutReopeningTheGraph) {
    PlayFirstToNearItsEnd();
    const int opens = log.Count("graph.Open(" + paths["b.wav"] + ")");
    display.seekPos = 123;
    c.OnGraphNextStarted(true);
    EXPECT_TRUE(log.Has("graph.TakeQueuedItem"));
    EXPECT_EQ(log.Count("graph.Open(" + paths["b.wav"] + ")"), opens) << "no new graph";
    EXPECT_FALSE(log.Has("graph.Close"));
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(list.playing, 1);
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(display.seekMax, 40) << "the new item's length";
    EXPECT_EQ(display.seekPos, 0);
    EXPECT_TRUE(display.pauseShown);
    EXPECT_EQ(c.Mode(), player::ModeAudio);
    // The new item prepares the one after it in turn, and the last one ends the list.
    c.OnGraphPosition(5);
    EXPECT_EQ(graph.queued, paths["c.mp3"]);
    c.OnGraphNextStarted(true);
    EXPECT_EQ(c.CurrentRow(), 2);
    c.OnGraphPosition(60);
    EXPECT_EQ(log.Count("graph.QueueNext(" + paths["c.mp3"] + ")"), 1);
    c.OnGraphComplete(15);
    EXPECT_EQ(c.Mode(), player::ModeNone);
    EXPECT_EQ(c.CurrentRow(), 2);
}

TEST_F(PreparedAdvanceTest, AListChangedUnderThePreparedItemAdvancesByTheListAsItIs) {
    PlayFirstToNearItsEnd();
    // b.wav was removed while a.mp3 played on.
    list.rows.erase(list.rows.begin() + 1);
    c.OnGraphNextStarted(true);
    EXPECT_FALSE(log.Has("graph.TakeQueuedItem"));
    EXPECT_TRUE(log.Has("graph.Close"));
    EXPECT_EQ(graph.file, paths["c.mp3"]);
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(list.playing, 1);
}

TEST_F(PreparedAdvanceTest, ABrokenNextItemIsGivenUpAndTheCurrentOneEndsAsBefore) {
    PlayFirstToNearItsEnd();
    c.OnGraphNextStarted(false);
    EXPECT_TRUE(log.Has("graph.DropQueuedItem"));
    EXPECT_EQ(c.CurrentRow(), 0);
    c.OnGraphPosition(100);
    EXPECT_EQ(log.Count("graph.QueueNext(" + paths["b.wav"] + ")"), 1) << "one try per item";
    c.OnGraphComplete(15);
    EXPECT_EQ(c.CurrentRow(), 1);
    EXPECT_EQ(graph.file, paths["b.wav"]);
}

TEST_F(PlaybackTest, OnlyASoundRowThatTheGraphPlaysIsPrepared) {
    for (const char* next : {"song.ogg", "clip.avi", "photo.jpg", "/nowhere/x.mp3"}) {
        list.rows.clear();
        Rows({"a.mp3", next});
        list.selected = 0;
        c.PlaySelected();
        c.OnGraphPosition(120);
        EXPECT_FALSE(log.Has(std::string("graph.QueueNext(") +
                             (paths.count(next) ? paths[next] : next) + ")"))
            << next;
        c.Stop();
    }
    // Nor is anything prepared behind a video, or once the item was stopped.
    list.rows.clear();
    Rows({"clip.avi", "b.wav"});
    list.selected = 0;
    c.PlaySelected();
    c.OnGraphPosition(45);
    EXPECT_FALSE(log.Has("graph.QueueNext(" + paths["b.wav"] + ")"));
    c.Stop();
    c.OnGraphNextStarted(true);
    EXPECT_FALSE(log.Has("graph.TakeQueuedItem"));
}

TEST_F(PlaybackTest, ASeekTheGraphRefusesLaterPutsTheThumbBack) {
    Rows({"a.mp3"});
    list.selected = 0;
    c.PlaySelected();
    display.seekPos = 60;
    c.OnSeekScroll(true);
    EXPECT_EQ(display.seekPos, 60);
    c.OnGraphSeekDone(true);
    EXPECT_EQ(display.seekPos, 60);
    c.OnGraphSeekDone(false);
    EXPECT_EQ(display.seekPos, 0);
}

TEST_F(PlaybackTest, ALengthLearntAfterTheOpenRangesTheSeekSlider) {
    Rows({"a.mp3"});
    graph.durations.erase(paths["a.mp3"]);
    list.selected = 0;
    c.PlaySelected();
    EXPECT_FALSE(display.seekEnabled);
    c.OnGraphDuration(95);
    EXPECT_TRUE(display.seekEnabled);
    EXPECT_EQ(display.seekMax, 95);
    c.OnGraphDuration(200);  // once known, the length stays
    EXPECT_EQ(display.seekMax, 95);
}

// The window's view of an open while the graph reads the file: the calls the window makes
// return at once, and the graph's report finishes the item.
class PendingOpenTest : public PlaybackTest {
  protected:
    PlaybackController& window() { return c; }  // the controller without the settling
    bool Finish() { return window().OnGraphOpened(graph.ticket); }
};

TEST_F(PendingOpenTest, AnItemIsStartedOnlyOnceTheGraphHasReadItsFile) {
    Rows({"a.mp3", "b.wav"});
    list.selected = 0;
    window().PlaySelected();
    EXPECT_TRUE(window().OpenPending());
    EXPECT_TRUE(graph.opening);
    EXPECT_FALSE(log.Has("graph.Restart"));
    EXPECT_EQ(list.playing, 0) << "the row is followed while it opens";
    EXPECT_EQ(window().Mode(), player::ModeNone) << "nothing shows yet";
    // Commands that need a playing item wait for it; Play on the same row opens nothing.
    window().Pause();
    window().OnSeekScroll(false);
    window().OnSeekScroll(true);
    window().PlaySelected();
    window().OnGraphComplete(15);  // a late report of what was closed
    EXPECT_FALSE(log.Has("graph.PlayPause"));
    EXPECT_FALSE(log.Has("graph.Seek(0)"));
    EXPECT_EQ(log.Count("graph.Open(" + paths["a.mp3"] + ")"), 1);
    EXPECT_EQ(window().CurrentRow(), 0);

    EXPECT_TRUE(Finish());
    EXPECT_FALSE(window().OpenPending());
    EXPECT_TRUE(log.Has("graph.Restart"));
    EXPECT_EQ(display.seekMax, 125);
    EXPECT_TRUE(display.pauseShown);
    EXPECT_EQ(window().Mode(), player::ModeAudio);
    EXPECT_FALSE(Finish()) << "a report is taken once";
}

TEST_F(PendingOpenTest, TheLaterRequestWinsAndAStaleReportChangesNothing) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    list.selected = 0;
    window().PlaySelected();
    const intptr_t first = graph.ticket;
    window().PlayNext();
    EXPECT_EQ(window().CurrentRow(), 1);
    EXPECT_FALSE(window().OnGraphOpened(first)) << "the first open was given up";
    EXPECT_FALSE(log.Has("graph.Restart"));
    EXPECT_TRUE(Finish());
    EXPECT_EQ(graph.file, paths["b.wav"]);
    EXPECT_EQ(list.playing, 1);

    // Stop while an item opens gives the open up: its report starts nothing.
    window().PlayNext();
    const intptr_t third = graph.ticket;
    window().Stop();
    EXPECT_FALSE(window().OpenPending());
    log.calls.clear();
    EXPECT_FALSE(window().OnGraphOpened(third));
    EXPECT_FALSE(log.Has("graph.Restart"));
    EXPECT_FALSE(display.pauseShown);
    EXPECT_EQ(list.playing, -1);
}

TEST_F(PendingOpenTest, AnOpenThatFailsOnceReadEndsLikeAnyFailedOpen) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    graph.unreadable[paths["b.wav"]] = true;
    // Chosen by the user: given up, the mark gone, nothing more.
    list.selected = 1;
    window().PlaySelected();
    EXPECT_FALSE(Finish());
    EXPECT_EQ(list.playing, -1);
    EXPECT_FALSE(display.pauseShown);
    EXPECT_EQ(window().CurrentRow(), 1);
    // Reached by the advance: the advance goes on with the row after it.
    list.selected = 0;
    c.PlaySelected();
    c.OnGraphComplete(15);
    EXPECT_EQ(window().CurrentRow(), 2);
    EXPECT_EQ(graph.file, paths["c.mp3"]);
    EXPECT_TRUE(display.pauseShown);
    // Rows the graph refuses at once are skipped at once, to the end of the list.
    graph.refused[paths["b.wav"]] = true;
    graph.refused[paths["c.mp3"]] = true;
    list.selected = 0;
    c.PlaySelected();
    c.OnGraphComplete(15);
    EXPECT_EQ(window().CurrentRow(), 2);
    EXPECT_FALSE(window().OpenPending());
    EXPECT_EQ(list.playing, -1);
}

TEST_F(PendingOpenTest, APictureIsFittedAndShownOnceRead) {
    Rows({"photo.jpg"});
    list.selected = 0;
    window().PlaySelected();
    EXPECT_TRUE(viewer.visible && viewer.picture && viewer.areaShown) << "the area waits for it";
    EXPECT_FALSE(log.Has("viewer.Fit(800x600,resize)"));
    EXPECT_TRUE(Finish());
    EXPECT_TRUE(log.Has("viewer.Fit(800x600,resize)"));
    EXPECT_EQ(window().Mode(), player::ModeImage);
    EXPECT_FALSE(log.Has("graph.Restart"));
}

// The engine's failure texts come back with the open's outcome; the controller shows each
// box once, as the engine described it, and only then decides what the open became.
TEST_F(PendingOpenTest, TheGraphsFailureBoxesAreShownOnceInOrderByTheController) {
    Rows({"a.mp3", "b.wav", "c.mp3"});
    const Notice size{"FAILED(hr=0x80040209) m_pBV->GetVideoSize(&lWidth, &lHeight)\n", "警告",
                      0x0};
    const Notice init{"FAILED(hr=0x80040209) InitVideoWindow(&m_Rect)\n", "警告", 0x0};
    const Notice large{"画像が大きすぎるため開けません", "VELTRA", 0x30};
    graph.unreadable[paths["b.wav"]] = true;
    graph.notices[paths["b.wav"]] = {size, init};
    graph.refused[paths["c.mp3"]] = true;
    graph.notices[paths["c.mp3"]] = {large};

    list.selected = 1;
    window().PlaySelected();
    EXPECT_TRUE(display.shownNotices.empty()) << "nothing to tell while the file is read";
    EXPECT_FALSE(Finish());
    EXPECT_EQ(display.shownNotices, (Notices{size, init}));
    EXPECT_FALSE(Finish()) << "a report is taken once";
    EXPECT_EQ(display.shownNotices.size(), 2u);

    // Refused at once: told at once, and the advance that reached it goes on past it.
    display.shownNotices.clear();
    list.selected = 0;
    window().PlaySelected();
    EXPECT_TRUE(Finish());
    window().OnGraphComplete(15);
    ASSERT_TRUE(window().OpenPending()) << "b.wav is on its way";
    EXPECT_FALSE(Finish());
    EXPECT_EQ(display.shownNotices, (Notices{size, init, large}));
    EXPECT_EQ(window().CurrentRow(), 2);
    EXPECT_EQ(list.playing, -1);
    EXPECT_TRUE(display.messages.empty()) << "the engine's boxes are not the window's";
}

// A box runs an event loop; an item the user opens meanwhile is the one that stands.
TEST_F(PendingOpenTest, AnItemOpenedWhileAFailureBoxShowsIsLeftAlone) {
    Rows({"a.mp3", "b.wav"});
    graph.unreadable[paths["a.mp3"]] = true;
    graph.notices[paths["a.mp3"]] = {Notice{"FAILED", "警告", 0x0}};
    display.whileNoticeShows = [&] {
        display.whileNoticeShows = nullptr;
        list.selected = 1;
        window().PlaySelected();
    };
    list.selected = 0;
    window().PlaySelected();
    const intptr_t first = graph.ticket;
    EXPECT_FALSE(window().OnGraphOpened(first));
    EXPECT_EQ(display.shownNotices.size(), 1u);
    EXPECT_TRUE(window().OpenPending()) << "b.wav opens";
    EXPECT_EQ(window().CurrentRow(), 1);
    EXPECT_EQ(list.playing, 1);
    EXPECT_TRUE(Finish());
    EXPECT_EQ(graph.file, paths["b.wav"]);
}

}  // namespace
