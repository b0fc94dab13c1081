// The playing logic over the real media graph: a failure the graph has words for comes
// back through the adapter as a value and is shown once, by the controller, through the
// window's port; the engine itself shows nothing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <memory>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/user_prompts.h"
#include "platform/window_message.h"
#include "player/engine_adapters.h"
#include "player/playback_controller.h"
#include "tests/player/playback_fakes.h"
#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"

namespace {

// Any box asked of the program's prompts fails the test: only the port may show one.
class NoBoxes : public UserPrompts {
  public:
    NoBoxes() { SetUserPrompts(this); }
    ~NoBoxes() override { SetUserPrompts(nullptr); }
    int MessageBox(QWidget*, const std::string& text, const std::string&, unsigned) override {
        ADD_FAILURE() << "a box shown past the controller: " << text;
        return IDOK;
    }
    bool PromptForFiles(QWidget*, const FilePromptRequest&, std::vector<std::string>*) override {
        return false;
    }
    bool PromptForFolder(QWidget*, const std::string&, std::string*) override { return false; }
};

// Hands the graph's open reports to the controller, as the main window does.
class OpenedRelay : public QObject {
  public:
    player::PlaybackController* controller = nullptr;
    int reports = 0;
    bool event(QEvent* e) override {
        if (WindowMessage::MessageOf(e) != UM_GRAPH_OPENED)
            return QObject::event(e);
        ++reports;
        controller->OnGraphOpened(static_cast<const WindowMessage*>(e)->wParam());
        return true;
    }
};

TEST(PlaybackEngineTest, AnUnreadableFilesBoxIsShownOnceByTheController) {
    const std::string dir = testmedia::MakeTempDir("playbackengine");
    const std::string junk = testmedia::WriteBytes(dir, "junk.mp3", std::string(4096, '\x5a'));
    NoBoxes prompts;
    fakes::CallLog log;
    fakes::FakeOgg ogg{log};
    fakes::FakeSound sound{log};
    fakes::FakeRules rules;
    fakes::FakeList list;
    fakes::FakeViewer viewer{log};
    fakes::FakeDisplay display{log};
    list.rows = {junk};
    list.selected = 0;
    OpenedRelay relay;
    {
        MediaGraph graph;
        player::GraphAdapter adapter(graph, &relay);
        player::PlaybackController controller(
            {&adapter, &ogg, &sound, &rules, &list, &viewer, &display});
        relay.controller = &controller;
        controller.PlaySelected();
        ASSERT_TRUE(PumpUntil([&] { return !controller.OpenPending(); }, 30000));
        ASSERT_EQ(display.shownNotices.size(), 1u);
        const Notice& told = display.shownNotices[0];
        EXPECT_EQ(told.text.rfind("FAILED(hr=0x", 0), 0u) << told.text;
        EXPECT_NE(told.text.find("m_pGB->RenderFile( wFile, NULL )"), std::string::npos);
        EXPECT_EQ(told.caption, "警告");
        EXPECT_EQ(told.style, MB_OK);
        EXPECT_TRUE(display.messages.empty());
        EXPECT_EQ(list.playing, -1);
        EXPECT_FALSE(graph.HasGraph());
        // Nothing more arrives for it.
        QCoreApplication::processEvents();
        EXPECT_EQ(display.shownNotices.size(), 1u);
    }
    testmedia::RemoveTree(dir);
}

}  // namespace
