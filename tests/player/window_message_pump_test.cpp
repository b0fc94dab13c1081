// The main window's message pump against the real playing logic over fakes: posted reports
// reach the controller on the user-interface thread with stale positions dropped, the
// viewer's commands reach it, and tunewell's worker posts only while a pump lives.
#include "player/window_message_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <thread>

#include "engine/graph_messages.h"
#include "platform/messages.h"
#include "platform/window_message.h"
#include "player/playback_controller.h"
#include "tests/player/playback_fakes.h"
#include "tests/support/media_factory.h"
#include "tunewell/tunewell.h"

namespace {

// Every position the slider was set to, in order.
class RecordingDisplay : public fakes::FakeDisplay {
  public:
    using fakes::FakeDisplay::FakeDisplay;
    void SetSeekPos(int tenths) override {
        positions.push_back(tenths);
        FakeDisplay::SetSeekPos(tenths);
    }
    std::vector<int> positions;
};

// Stands in for the main window: window messages go to the pump, and tunewell's posts are
// counted as they arrive.
class Receiver : public QObject {
  public:
    player::WindowMessagePump* pump = nullptr;
    int oggPositions = 0;

  protected:
    bool event(QEvent* e) override {
        if (WindowMessage::MessageOf(e) == UM_OGG_POSITION)
            ++oggPositions;
        if (pump && pump->Deliver(e))
            return true;
        return QObject::event(e);
    }
};

class MessagePumpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("pump");
        song = testmedia::WriteBytes(dir, "a.mp3", "x");
        graph.durations[song] = 125;
        receiver.pump = &pump;
    }
    void TearDown() override { testmedia::RemoveTree(dir); }
    void Deliver() { QCoreApplication::sendPostedEvents(&receiver); }

    fakes::CallLog log;
    fakes::FakeGraph graph{log};
    fakes::FakeOgg ogg{log};
    fakes::FakeSound sound{log};
    fakes::FakeRules rules;
    fakes::FakeList list;
    fakes::FakeViewer viewer{log};
    RecordingDisplay display{log};
    player::PlaybackController controller{{&graph, &ogg, &sound, &rules, &list, &viewer, &display}};
    Receiver receiver;
    player::WindowMessagePump pump{receiver, controller};
    std::string dir, song;
};

TEST_F(MessagePumpTest, QueuedPositionsOfBothEnginesMoveTheThumbOnceToTheNewest) {
    for (int tenths : {10, 20, 30}) PostWindowMessage(&receiver, UM_GRAPH_POSITION, tenths);
    PostWindowMessage(&receiver, UM_OGG_POSITION, 40);
    Deliver();
    EXPECT_EQ(display.positions, std::vector<int>{40});

    // Positions that arrive after that one are taken on their own again.
    PostWindowMessage(&receiver, UM_GRAPH_POSITION, 50);
    Deliver();
    EXPECT_EQ(display.positions, (std::vector<int>{40, 50}));
}

TEST_F(MessagePumpTest, AnEndDropsThePositionsQueuedBehindIt) {
    PostWindowMessage(&receiver, UM_GRAPH_COMPLETE, 15);
    PostWindowMessage(&receiver, UM_GRAPH_POSITION, 77);
    PostWindowMessage(&receiver, UM_OGG_END);
    PostWindowMessage(&receiver, UM_OGG_POSITION, 88);
    Deliver();
    for (int tenths : display.positions) {
        EXPECT_NE(tenths, 77) << "a graph position outlived the end before it";
        EXPECT_NE(tenths, 88) << "a tunewell position outlived the end before it";
    }
}

TEST_F(MessagePumpTest, TheViewersCommandsAndTheDropsReachThePlayingLogic) {
    list.rows = {song};
    list.selected = 0;
    EXPECT_TRUE(SendWindowMessage(&receiver, UM_PLAY));
    EXPECT_TRUE(log.Has("graph.Open(" + song + ")"));
    EXPECT_TRUE(controller.OnGraphOpened(graph.ticket));
    EXPECT_TRUE(display.pauseShown);
    EXPECT_TRUE(SendWindowMessage(&receiver, UM_PAUSE));
    EXPECT_FALSE(display.pauseShown);
    EXPECT_TRUE(SendWindowMessage(&receiver, UM_STOP));
    EXPECT_FALSE(display.seekEnabled);

    // What a stop drops is gone from the queue.
    PostWindowMessage(&receiver, UM_GRAPH_POSITION, 5);
    PostWindowMessage(&receiver, UM_OGG_POSITION, 6);
    player::WindowMessagePump::DropGraphReports(receiver);
    player::WindowMessagePump::DropOggReports(receiver);
    const size_t before = display.positions.size();
    Deliver();
    EXPECT_EQ(display.positions.size(), before);

    QEvent other(QEvent::User);
    EXPECT_FALSE(pump.Deliver(&other)) << "an event that is no window message is the window's";
}

TEST_F(MessagePumpTest, TunewellsWorkerPostsToTheLivePumpOnly) {
    std::thread worker([] {
        player::WindowMessagePump::OnOggNotify(VL_NOTIFY_POSITION, 33, 0);
        player::WindowMessagePump::OnOggNotify(99, 0, 0);  // no code of ours: nothing
    });
    worker.join();
    Deliver();
    EXPECT_EQ(receiver.oggPositions, 1);
    EXPECT_EQ(display.positions, std::vector<int>{33});

    // A pump made later takes the reports over; once it goes, nothing is posted at all.
    Receiver later;
    {
        player::WindowMessagePump other(later, controller);
        player::WindowMessagePump::OnOggNotify(VL_NOTIFY_POSITION, 44, 0);
        QCoreApplication::sendPostedEvents(&later);
        EXPECT_EQ(later.oggPositions, 1);
    }
    player::WindowMessagePump::OnOggNotify(VL_NOTIFY_POSITION, 55, 0);
    QCoreApplication::sendPostedEvents(&later);
    Deliver();
    EXPECT_EQ(later.oggPositions, 1);
    EXPECT_EQ(receiver.oggPositions, 1);
}

}  // namespace
