// The viewer window itself, driven through real resize and input events (offscreen): it
// ends every resize at the video's proportions, full screen never outlives the video and
// is always left by F, a double click or Esc, and the first viewer opens beside its owner.
#include "player/viewer_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <cstdio>
#include <functional>

#include "engine/media_graph.h"
#include "platform/settings.h"
#include "player/menus.h"
#include "player/video_pane.h"
#include "player/viewer_geometry.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/wait_until.h"

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
        if (FAILED(graph.Open(clip.c_str(), FALSE)))
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

    // The first Esc leaves full screen and the video goes on; the next closes the viewer.
    Press(viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer->IsFullScreen());
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(graph.HasGraph()) << "leaving full screen does not stop the video";
    viewer->ToggleFullScreen();
    ASSERT_TRUE(viewer->IsFullScreen());
    Press(viewer, Qt::Key_Escape);
    Press(viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_FALSE(viewer->IsFullScreen());
    viewer->show();
    Settle();
    EXPECT_FALSE(viewer->IsFullScreen());
    EXPECT_LT(viewer->width(), screen.width());
    EXPECT_TRUE(Proportional(viewer->size(), {352, 288}));
}

// The bounding box of what is not black in the viewer's video area, as it is on screen.
QRect PictureBox(ViewerWindow* viewer) {
    const QImage shot = viewer->VideoArea()->grab().toImage();
    QRect box;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (qGray(shot.pixel(x, y)) > 24)
                box |= QRect(x, y, 1, 1);
    return box;
}

double Aspect(QSize s) {
    return static_cast<double>(s.width()) / s.height();
}

// Opens a file in the graph as the main window does, fitting the viewer to what it reports.
bool ShowFile(ViewerWindow* viewer, QWidget* owner, MediaGraph& graph, const std::string& path,
              QSize* video) {
    viewer->SetEngine(player::kEngineGraph);
    viewer->SetPicture(true);
    viewer->ShowVideoArea(true);
    QRect area = viewer->VideoAreaClientRect();
    graph.SetWindows(owner, viewer->VideoArea(), &area);
    if (FAILED(graph.Open(path.c_str(), FALSE)))
        return false;
    int32_t w = 0, h = 0;
    if (!graph.GetVideoDimensions(&w, &h))
        return false;
    *video = QSize(w, h);
    viewer->FitToVideo(w, h, true);
    Settle();
    return true;
}

// Every picture at its own proportions, black bars where the area differs: a wide and a
// square-ish video, a picture larger than the screen, and after a drag of the window.
TEST_F(ViewerWindowTest, EveryPictureKeepsItsOwnProportionsOnScreen) {
    dir = testmedia::MakeTempDir("viewer_aspect");
    // One colour to the edges, so that the picture's box is the picture's own.
    auto make = [&](const std::string& name, const std::string& size, const std::string& out) {
        const std::string path = dir + "/" + name;
        return testmedia::Run("ffmpeg -loglevel error -y -f lavfi -i color=c=0x4080c0:s=" + size +
                              ":d=1 " + out + " '" + path + "'")
                   ? path
                   : std::string();
    };
    const std::string files[] = {
        make("wide.mp4", "640x360", "-c:v libx264 -pix_fmt yuv420p"),
        make("four_three.avi", "320x240", "-c:v mjpeg"),
        make("large.jpg", "3000x2000", "-frames:v 1"),
    };
    for (const std::string& file : files) {
        ASSERT_FALSE(file.empty());
        QSize video;
        ASSERT_TRUE(ShowFile(viewer, &owner, graph, file, &video)) << file;
        const QRect avail = viewer->screen()->availableGeometry();
        EXPECT_TRUE(avail.contains(viewer->geometry()))
            << file << ": the viewer reaches past the screen";
        for (QSize drag : {QSize(), QSize(560, 200)}) {
            if (drag.isValid()) {
                viewer->resize(drag);
                Settle();
            }
            QRect box;
            ASSERT_TRUE(PumpUntil(
                [&] {
                    box = PictureBox(viewer);
                    return box.width() > 50 && box.height() > 50;
                },
                30000))
                << file;
            EXPECT_NEAR(Aspect(box.size()) / Aspect(video), 1.0, 0.01)
                << file << ": picture " << box.width() << "x" << box.height() << " for "
                << video.width() << "x" << video.height() << " in area "
                << viewer->VideoArea()->width() << "x" << viewer->VideoArea()->height();
        }
        graph.Close();
    }
}

// Writes a quarter turn clockwise into the display matrix of an MP4's first track, as a
// phone held upright does (this ffmpeg writes no rotation of its own).
bool TagQuarterTurn(const std::string& path) {
    std::string data = testmedia::ReadFile(path);
    const size_t at = data.find("tkhd");
    if (at == std::string::npos || at + 4 + 52 + 36 > data.size())
        return false;
    const size_t matrix = at + 4 + (data[at + 4] == 1 ? 52 : 40);
    const uint32_t m[9] = {0, 0x10000, 0, 0xFFFF0000u, 0, 0, 0, 0, 0x40000000};
    for (int i = 0; i < 9; ++i)
        for (int b = 0; b < 4; ++b)
            data[matrix + 4 * i + b] = static_cast<char>((m[i] >> (24 - 8 * b)) & 0xFF);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

// A phone's clip, stored on its side with a rotation tag, is shown upright.
TEST_F(ViewerWindowTest, ARotatedClipIsShownUpright) {
    dir = testmedia::MakeTempDir("viewer_rotated");
    // Stored 320 x 180, left half red and right half blue, tagged to be turned a quarter
    // clockwise: upright it is 180 x 320, red above and blue below.
    const std::string clip = dir + "/phone.mp4";
    ASSERT_TRUE(testmedia::Run(
        "ffmpeg -loglevel error -y -f lavfi -i color=c=red:s=160x180:d=1 -f lavfi -i "
        "color=c=blue:s=160x180:d=1 -filter_complex hstack -c:v libx264 -pix_fmt yuv420p '" +
        clip + "'"));
    ASSERT_TRUE(TagQuarterTurn(clip));
    QSize video;
    ASSERT_TRUE(ShowFile(viewer, &owner, graph, clip, &video));
    EXPECT_EQ(video, QSize(180, 320)) << "reported at its upright size";
    QRect box;
    ASSERT_TRUE(PumpUntil(
        [&] {
            box = PictureBox(viewer);
            return box.height() > 50;
        },
        30000));
    EXPECT_GT(box.height(), box.width());
    const QImage shot = viewer->VideoArea()->grab().toImage();
    const QRgb top = shot.pixel(box.center().x(), box.top() + box.height() / 4);
    const QRgb bottom = shot.pixel(box.center().x(), box.bottom() - box.height() / 4);
    EXPECT_GT(qRed(top), 150) << std::hex << top;
    EXPECT_LT(qBlue(top), 100) << std::hex << top;
    EXPECT_GT(qBlue(bottom), 150) << std::hex << bottom;
    EXPECT_LT(qRed(bottom), 100) << std::hex << bottom;
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

TEST_F(ViewerWindowTest, JAndTheMenuHideAndShowTheSubtitlesAndVStillDoesNot) {
    ASSERT_TRUE(graph.SubtitlesShown()) << "shown without being asked";
    Press(viewer, Qt::Key_J);
    EXPECT_FALSE(graph.SubtitlesShown());
    Press(viewer, Qt::Key_V);  // stops, as it always did
    EXPECT_FALSE(graph.SubtitlesShown());
    viewer->OnMenuCommand(menus::kViewerSubtitles);
    EXPECT_TRUE(graph.SubtitlesShown());
    std::unique_ptr<QMenu> menu = menus::BuildViewerMenu(viewer);
    QAction* item = menus::FindCommand(menu.get(), menus::kViewerSubtitles);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_J));
}
