// The editor over its real preview graph, fed a source that stops delivering: every
// transport call comes back at once and the window keeps answering.
#include <gtest/gtest.h>

#include <chrono>

#include "editor/editor_controller.h"
#include "editor/graph_preview.h"
#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "tests/editor/editor_fakes.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

using namespace editor;

// The window as the graph's reports reach it.
class RecordingView : public FakeView {
  public:
    QObject* NotifyTarget() override { return &notify; }
    NotifyRecorder notify;
};

TEST(GraphPreviewTest, AStalledSourceLeavesTheEditorAnsweringAndItsReportsCome) {
    GraphTestPrompts prompts;
    const std::string dir = testmedia::MakeTempDir("preview_stall");
    {
        MediaGraph graph;
        GraphPreview preview(graph);
        RecordingView view;
        FakeOgg ogg;
        StalledPipe pipe(dir, 20.0);
        EditorController editor(
            view, preview, ogg, [] { return false; }, nullptr);
        view.controller = &editor;

        ExpectAnswering("the open", [&] { editor.Initialise(pipe.Path(), 100, nullptr); });
        ASSERT_TRUE(editor.Opening());
        // Each step of the open (the first reads the registry) reports on its own.
        ASSERT_TRUE(PumpUntil(
            [&] {
                for (const auto& m : view.notify.messages)
                    if (m.message == UM_GRAPH_OPENED && editor.Opening())
                        editor.OnGraphOpened(m.wParam);
                return !editor.Opening();
            },
            30000));
        EXPECT_DOUBLE_EQ(editor.Duration(), 20.0);

        // Played past the half second it has, the preview starves.
        editor.OnPlay();
        ASSERT_TRUE(PumpUntil([&] { return view.notify.Count(UM_GRAPH_POSITION) > 0; }, 30000));
        PumpUntil([&] { return graph.GetPosition() >= 5; }, 2000);
        ExpectAnswering("a drag", [&] {
            editor.OnSliderMoving();
            view.sliderPos = 100;
            editor.OnSliderEnd();
        });
        EXPECT_DOUBLE_EQ(editor.Start(), 10.0) << "shown where it goes";
        ExpectAnswering("a step", [&] { editor.OnStep(true); });
        ExpectAnswering("the stop", [&] { editor.OnStop(); });
        EXPECT_FALSE(editor.PreviewPlays());

        pipe.Release();
        EXPECT_GE(AwaitReport(view.notify, UM_GRAPH_REWOUND, 0), 0) << "the stop's end comes";
        // The seeks went before the stop, or were dropped for it: none reports after it.
        Pump(300);
        int lastSeek = -1, lastRewind = -1;
        for (size_t i = 0; i < view.notify.messages.size(); ++i) {
            const int m = view.notify.messages[i].message;
            if (m == UM_GRAPH_SEEK_DONE)
                lastSeek = static_cast<int>(i);
            else if (m == UM_GRAPH_REWOUND)
                lastRewind = static_cast<int>(i);
        }
        EXPECT_LT(lastSeek, lastRewind);
        editor.Shutdown();
    }
    testmedia::RemoveTree(dir);
}

}  // namespace
