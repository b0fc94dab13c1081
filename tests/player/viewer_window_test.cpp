// The viewer window itself, driven through real resize and input events (offscreen): it
// ends every resize at the video's proportions, full screen never outlives the video and
// is always left by F, a double click or Esc, and the first viewer opens beside its owner.
#include "player/viewer_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include "app/settings.h"
#include "engine/media_graph.h"
#include "player/video_pane.h"
#include "player/viewer_geometry.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace vg = viewer_geometry;

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool Proportional(QSize window, QSize video) {
    return !vg::ProportionalSize(window, video).has_value();
}

void Mouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Press(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Placements go to a settings file of the test's own, never beside the test program.
class ScratchSettings {
  public:
    ScratchSettings() : m_dir(testmedia::MakeTempDir("viewer_settings")) {
        SetSettingsFilePath(m_dir + "/plInfo.ini");
    }
    ~ScratchSettings() {
        SetSettingsFilePath("");
        testmedia::RemoveTree(m_dir);
    }

  private:
    std::string m_dir;
};

class ViewerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner.setGeometry(0, 0, 380, 310);
        owner.show();
        viewer = new ViewerWindow(&owner, graph);  // without skin.dat: plain, but whole
        viewer->show();
        Settle();
    }
    void TearDown() override {
        graph.Close();  // it paints into the viewer's video area: first
        delete viewer;
        if (!dir.empty())
            testmedia::RemoveTree(dir);
    }
    // A real video opened in the graph, shown as the main window would show it.
    bool OpenVideo(int w, int h) {
        dir = testmedia::MakeTempDir("viewer_window");
        std::string clip = testmedia::Video(dir, "clip.avi", 2.0, w, h, false);
        if (clip.empty())
            return false;
        viewer->SetEngine(player::kEngineGraph);
        viewer->SetPicture(true);
        viewer->ShowVideoArea(true);
        QRect area = viewer->VideoAreaClientRect();
        graph.SetWindows(&owner, viewer->VideoArea(), &area);
        if (graph.Open(clip.c_str(), FALSE) != 1)
            return false;
        viewer->FitToVideo(w, h, true);
        Settle();
        return true;
    }
    // What the main window does on a stop.
    void StopVideo() {
        graph.Close();
        viewer->SetPicture(false);
        viewer->ShowVideoArea(false);
    }

    ScratchSettings settings;
    ScriptedPrompts prompts;
    QWidget owner;
    MediaGraph graph;
    ViewerWindow* viewer = nullptr;
    std::string dir;
};

// The offscreen screen is 800 x 600, which bounds the sizes below.
TEST_F(ViewerWindowTest, EveryResizeEndsAtTheVideosProportions) {
    viewer->FitToVideo(320, 240, true);
    Settle();
    EXPECT_EQ(viewer->size(), QSize(380, 285));
    // Sizes a user's drag produces, each a real resize; the same size twice in a row and a
    // drag back to an earlier size included (a remembered request must not block them).
    const QSize drags[] = {{500, 285}, {500, 285}, {460, 285}, {500, 285}, {400, 420},
                           {400, 420}, {600, 300}, {380, 285}, {500, 285}};
    for (QSize s : drags) {
        viewer->resize(s);
        Settle();
        EXPECT_TRUE(Proportional(viewer->size(), {320, 240}))
            << "after " << s.width() << "x" << s.height() << " the window is " << viewer->width()
            << "x" << viewer->height();
    }
    EXPECT_EQ(viewer->size(), QSize(500, 375));
    EXPECT_EQ(viewer->VideoArea()->geometry(), vg::NormalVideoArea(viewer->size()));
}

TEST_F(ViewerWindowTest, DraggingTheRightEdgeOnlyStillEndsInProportion) {
    viewer->FitToVideo(320, 240, true);
    Settle();
    const QPoint edge(viewer->width() - 2, viewer->height() / 2);
    Mouse(viewer, QEvent::MouseButtonPress, edge, Qt::LeftButton);
    // Out, back and out again to the same place, the pointer wandering up and down.
    for (int dx : {100, 40, 100, 100, 0, 100}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(edge),
                         QPointF(viewer->mapToGlobal(edge) + QPoint(dx, dx % 7)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewer, &move);
        Settle();
        EXPECT_TRUE(Proportional(viewer->size(), {320, 240}))
            << "at +" << dx << ": " << viewer->width() << "x" << viewer->height();
    }
    Mouse(viewer, QEvent::MouseButtonRelease, edge, Qt::NoButton);
    Settle();
    EXPECT_TRUE(Proportional(viewer->size(), {320, 240}));
    EXPECT_EQ(viewer->width(), 480);
}

TEST_F(ViewerWindowTest, AWindowSystemThatRefusesTheSizeDoesNotLoop) {
    viewer->FitToVideo(320, 240, true);
    Settle();
    // A maximum height makes the proportional size unreachable for a wide drag.
    viewer->SetMaxTrackSize(800, 300);
    viewer->resize(600, 280);
    Settle();
    EXPECT_LE(viewer->height(), 300);
    // Later requests are not blocked by the refused one.
    viewer->SetMaxTrackSize(800, 600);
    viewer->resize(600, 280);
    Settle();
    EXPECT_EQ(viewer->size(), QSize(600, 450));
}

TEST_F(ViewerWindowTest, FullScreenNeverOutlivesTheVideoAndIsAlwaysLeft) {
    if (!OpenVideo(320, 240))
        FAIL() << "no test video could be made";
    const QRect windowed = viewer->geometry();
    viewer->ToggleFullScreen();
    ASSERT_TRUE(viewer->IsFullScreen());

    // F leaves, double click leaves, also after the video has gone.
    Press(viewer, Qt::Key_F);
    EXPECT_FALSE(viewer->IsFullScreen());
    EXPECT_EQ(viewer->geometry(), windowed);
    viewer->ToggleFullScreen();
    graph.Close();  // gone without the viewer being told
    Mouse(viewer, QEvent::MouseButtonDblClick, {50, 50}, Qt::LeftButton);
    EXPECT_FALSE(viewer->IsFullScreen());
    ASSERT_EQ(viewer->geometry(), windowed);
    viewer->ToggleFullScreen();
    EXPECT_FALSE(viewer->IsFullScreen()) << "no video: no full screen";

    // The video stops while in full screen: the window comes back.
    ASSERT_TRUE(OpenVideo(320, 240));
    viewer->ToggleFullScreen();
    ASSERT_TRUE(viewer->IsFullScreen());
    StopVideo();
    Settle();
    EXPECT_FALSE(viewer->IsFullScreen());

    // The next video of the list follows at once: full screen goes on.
    ASSERT_TRUE(OpenVideo(320, 240));
    viewer->ToggleFullScreen();
    const QRect screen = viewer->geometry();
    StopVideo();
    ASSERT_TRUE(OpenVideo(352, 288));
    EXPECT_TRUE(viewer->IsFullScreen());
    EXPECT_EQ(viewer->geometry(), screen) << "a new video does not resize a full screen";

    // Esc closes the viewer; shown again it is the window it was, with its buttons.
    Press(viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_FALSE(viewer->IsFullScreen());
    viewer->show();
    Settle();
    EXPECT_FALSE(viewer->IsFullScreen());
    EXPECT_LT(viewer->width(), screen.width());
    EXPECT_TRUE(Proportional(viewer->size(), {352, 288}));
}

TEST(ViewerPlacement, TheFirstViewerOpensBesideItsOwner) {
    ScratchSettings settings;
    ScriptedPrompts prompts;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(screen.x() + 10, screen.y() + 10, 380, 310);
    owner.show();
    MediaGraph graph;
    ViewerWindow viewer(&owner, graph);
    viewer.show();
    Settle();
    EXPECT_FALSE(viewer.geometry().intersects(owner.geometry()))
        << "viewer at " << viewer.x() << "," << viewer.y();
    EXPECT_TRUE(screen.contains(viewer.geometry()))
        << viewer.x() << "," << viewer.y() << " " << viewer.width() << "x" << viewer.height();
}

TEST(ViewerPlacement, BesideTheOwnerWhereTheScreenHasRoom) {
    const QRect screen(0, 0, 1280, 1024);
    const QSize size(320, 240);
    EXPECT_EQ(vg::BesideOwner({0, 0, 380, 310}, size, screen), QPoint(388, 0));
    // No room on the right: on the left.
    EXPECT_EQ(vg::BesideOwner({900, 100, 380, 310}, size, screen), QPoint(572, 100));
    // Neither side: below, then above.
    EXPECT_EQ(vg::BesideOwner({0, 100, 1280, 310}, size, screen), QPoint(0, 418));
    EXPECT_EQ(vg::BesideOwner({0, 700, 1280, 310}, size, screen), QPoint(0, 452));
    // An owner low on the screen: the viewer still fits on it.
    EXPECT_EQ(vg::BesideOwner({0, 900, 380, 310}, size, screen), QPoint(388, 784));
    // Nowhere: left to the window system.
    EXPECT_EQ(vg::BesideOwner(screen, size, screen), std::nullopt);
}

}  // namespace
