// Failures the user must be able to read, in the real program under X: the editor's
// still onto a folder that cannot take it, twice, a cut that fills its disk, and a skin.dat
// cut short at start-up.
// Each box is read off the screen: text drawn on a light face, and a button below it.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/e2e/program_test.h"
#include "tests/support/full_disk.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

constexpr const char* kTitle = "VELTRA";

// The share of pixels in rows [top, bottom) of the picture that differ from its most
// common colour, and that colour.
double InkShare(const QImage& shot, int top, int bottom, QRgb* face) {
    std::map<QRgb, int> counts;
    int total = 0;
    for (int y = std::max(0, top); y < std::min(shot.height(), bottom); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            ++counts[shot.pixel(x, y) & 0xFFFFFF];
            ++total;
        }
    if (total == 0)
        return 0.0;
    auto most = std::max_element(counts.begin(), counts.end(),
                                 [](auto& a, auto& b) { return a.second < b.second; });
    *face = most->first;
    return double(total - most->second) / total;
}

// A drawn message box: a light face, ink in its upper part (the text) and in its lower
// part (the button). An undrawn one is a single dark colour throughout.
::testing::AssertionResult BoxIsDrawn(const std::string& box) {
    QImage shot;
    QRect r;
    bool drawn = WaitFor(
        [&] {
            r = WindowGeometry(box);
            shot = ScreenOver(box);
            if (shot.isNull() || shot.height() < 40)
                return false;
            QRgb face = 0;
            const double text = InkShare(shot, 0, shot.height() * 2 / 3, &face);
            const bool light = qGray(face) > 128;
            QRgb buttonFace = 0;
            const double button = InkShare(shot, shot.height() * 2 / 3, shot.height(), &buttonFace);
            return light && text > 0.005 && button > 0.005;
        },
        10000);
    if (drawn)
        return ::testing::AssertionSuccess();
    shot.save(QStringLiteral("/tmp/undrawn_box.png"));
    return ::testing::AssertionFailure()
           << "box " << r.width() << "x" << r.height() << " never showed text and a button";
}

class FailureBoxesE2E : public ProgramTest {
  protected:
    // The program's windows titled like the main window other than the known ones.
    std::string NextBox(VeltraProcess& app, const std::vector<std::string>& known) {
        return WaitForNewWindow(kTitle, app.Pid(), known, 15000);
    }
    // The box is on the screen with its text and button, and Return takes it away.
    void ExpectDrawnAndLeftByReturn(VeltraProcess& app, const std::string& message) {
        EXPECT_TRUE(BoxIsDrawn(message)) << app.Log();
        Key(message, "Return");
        EXPECT_TRUE(WaitFor(
            [&] {
                auto ids = FindWindows(kTitle, app.Pid());
                return std::find(ids.begin(), ids.end(), message) == ids.end();
            },
            10000))
            << "Return leaves the box";
    }
    // The program started on one file with its editor open on it.
    struct OpenEditor {
        std::unique_ptr<VeltraProcess> app;
        std::string main, editor;
        std::map<std::string, QRect> controls;
    };
    void StartEditorOn(const std::string& file, OpenEditor* open) {
        open->app = Start({file}, &open->main);
        ASSERT_FALSE(open->main.empty());
        VeltraProcess& app = *open->app;
        auto layout = Rects(app.Log(), R"(veltra\.player: layout)");
        ASSERT_TRUE(layout.count("list") && layout.count("edit")) << app.Log();
        Click(open->main, QPoint(layout["list"].right() - 40, layout["list"].y() + 30));
        Click(open->main, Centre(layout["edit"]));
        ASSERT_TRUE(app.WaitForLog("editor layout preview", 15000)) << app.Log();
        open->editor = NextBox(app, {open->main});
        ASSERT_FALSE(open->editor.empty()) << app.Log();
        open->controls = Rects(app.Log(), "editor layout");
    }
};

TEST_F(FailureBoxesE2E, ACutShortSkinSaysSoAndTheProgramEndsAfterOk) {
    const std::string skin = box.BinDir() + "/skin.dat";
    const std::string whole = testmedia::ReadFile(skin);
    ASSERT_GT(whole.size(), 100u);
    for (size_t keep : {size_t(25), size_t(100)}) {
        SCOPED_TRACE(keep);
        std::ofstream(skin, std::ios::binary | std::ios::trunc) << whole.substr(0, keep);
        VeltraProcess app(box, {});
        const std::string message = NextBox(app, {});
        ASSERT_FALSE(message.empty()) << app.Log();
        EXPECT_TRUE(BoxIsDrawn(message));
        EXPECT_TRUE(app.Running()) << "the box waits for its answer";
        Key(message, "Return");
        int code = -1;
        EXPECT_TRUE(app.WaitForExit(15000, &code)) << app.Log();
        EXPECT_NE(app.Log().find("skin: record at 25 is cut short"), std::string::npos)
            << app.Log();
    }
}

TEST_F(FailureBoxesE2E, APictureBombIsRefusedWithItsBoxAndTheProgramGoesOn) {
    // Only the header is needed: the size it declares is what is refused.
    auto big32 = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const std::string bomb = Media("bomb.png");
    std::ofstream(bomb, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) + big32(13) +
                                                 "IHDR" + big32(16384) + big32(16384) +
                                                 std::string("\x08\x02\x00\x00\x00", 5) + big32(0);
    VeltraProcess app(box, {bomb});
    ASSERT_TRUE(app.WaitForLog("declares 16384x16384 pixels; refused", 20000)) << app.Log();
    std::string message;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const std::string& id : FindWindows(kTitle, app.Pid())) {
                const QRect r = WindowGeometry(id);
                if (r.height() > 40 && r.size() != QSize(380, 310))
                    message = id;
            }
            return !message.empty();
        },
        15000))
        << app.Log();
    EXPECT_TRUE(BoxIsDrawn(message));
    Key(message, "Return");
    EXPECT_TRUE(WaitFor(
        [&] {
            auto ids = FindWindows(kTitle, app.Pid());
            return std::find(ids.begin(), ids.end(), message) == ids.end();
        },
        10000));
    EXPECT_TRUE(app.Running()) << "a refused picture ends nothing";
}

TEST_F(FailureBoxesE2E, EveryFailedStillOfTheEditorShowsItsBox) {
    // The clip lives on a tiny file system that is then filled, or, where nothing can be
    // mounted, in a folder removed under the open editor.
    testmedia::SmallDisk disk(4 * 1024 * 1024);
    const std::string folder = disk.Available() ? disk.Folder() : Media("gone");
    fs::create_directories(folder);
    const std::string clip = testmedia::Video(folder, "clip.avi", 2.0);
    ASSERT_FALSE(clip.empty());

    OpenEditor open;
    ASSERT_NO_FATAL_FAILURE(StartEditorOn(clip, &open));
    auto& app = open.app;
    const std::string& main = open.main;
    const std::string& editor = open.editor;
    auto& controls = open.controls;
    ASSERT_TRUE(controls.count("still")) << app->Log();

    if (disk.Available())
        disk.Fill();
    else
        fs::remove_all(folder);

    std::vector<std::string> known = {main, editor};
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        Click(editor, Centre(controls["still"]));
        const std::string message = NextBox(*app, known);
        ASSERT_FALSE(message.empty()) << "no box for a failed still\n" << app->Log();
        ExpectDrawnAndLeftByReturn(*app, message);
    }
    EXPECT_TRUE(app->Running());
    EXPECT_TRUE(
        fs::is_empty(folder) || !fs::exists(folder) ||
        std::none_of(fs::directory_iterator(folder), fs::directory_iterator(),
                     [](const fs::directory_entry& e) { return e.path().extension() == ".bmp"; }))
        << "no still half written";
}

// A cut whose target runs out of room part-way: the editor's box is drawn, Return
// leaves it, the editor closes and no half-written output is left under the name.
TEST_F(FailureBoxesE2E, ACutThatFillsTheDiskShowsItsBox) {
    // Ten seconds of sound need 1.7 MB; the target's file system holds half a megabyte.
    testmedia::SmallDisk disk(512 * 1024);
    if (!disk.Available())
        GTEST_SKIP() << "no file system can be mounted here";
    const std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 10.0);
    ASSERT_FALSE(song.empty());

    OpenEditor open;
    ASSERT_NO_FATAL_FAILURE(StartEditorOn(song, &open));
    auto& app = open.app;
    const std::string& main = open.main;
    const std::string& editor = open.editor;
    auto& controls = open.controls;
    ASSERT_TRUE(controls.count("execute")) << app->Log();

    Click(editor, Centre(controls["execute"]));
    const std::string prompt = WaitForNewWindow(".+", app->Pid(), {main, editor}, 15000);
    ASSERT_FALSE(prompt.empty()) << "no save prompt\n" << app->Log();
    const std::string target = disk.Folder() + "/cut.wav";
    ASSERT_TRUE(AnswerPathPrompt(prompt, target, app->Pid())) << app->Log();

    const std::string message = NextBox(*app, {main, editor, prompt});
    ASSERT_FALSE(message.empty()) << "no box for a failed cut\n" << app->Log();
    ExpectDrawnAndLeftByReturn(*app, message);
    EXPECT_TRUE(app->Running());
    EXPECT_FALSE(fs::exists(target)) << "no half-written file under the name";
}

TEST_F(FailureBoxesE2E, ACutWhoseFolderIsTakenAwayMidWayShowsItsBox) {
    // Forty seconds of pictures take the Windows Media encoder a few seconds: long enough
    // to take the folder away while the cut is written into it.
    const std::string clip = testmedia::Video(box.MediaDir(), "clip.avi", 40.0);
    ASSERT_FALSE(clip.empty());
    const std::string folder = box.Root() + "/pulled";
    ASSERT_TRUE(fs::create_directory(folder));

    OpenEditor open;
    ASSERT_NO_FATAL_FAILURE(StartEditorOn(clip, &open));
    auto& app = open.app;
    auto& controls = open.controls;
    ASSERT_TRUE(controls.count("asf") && controls.count("execute")) << app->Log();
    Click(open.editor, Centre(controls["asf"]));
    Click(open.editor, Centre(controls["execute"]));
    const std::string prompt = WaitForNewWindow(".+", app->Pid(), {open.main, open.editor}, 15000);
    ASSERT_FALSE(prompt.empty()) << "no save prompt\n" << app->Log();
    ASSERT_TRUE(AnswerPathPrompt(prompt, folder + "/cut.asf", app->Pid())) << app->Log();

    ASSERT_TRUE(WaitFor(
        [&] {
            std::error_code ec;
            return !fs::is_empty(folder, ec) && !ec;
        },
        15000))
        << "the cut never started writing\n"
        << app->Log();
    fs::remove_all(folder);

    const std::string message = NextBox(*app, {open.main, open.editor, prompt});
    ASSERT_FALSE(message.empty()) << "no box for a cut that lost its folder\n" << app->Log();
    ExpectDrawnAndLeftByReturn(*app, message);
    EXPECT_TRUE(app->Running());
    EXPECT_FALSE(fs::exists(folder)) << "the folder is not made again";
}

}  // namespace
