// The real program under X cutting a range out of a sound file: select the item, open the
// editor from the main window's Edit button, type the start and end points, choose WAV,
// execute, answer the real save prompt, and find the new file complete, of the cut's
// length, at the top of the list.
#include <gtest/gtest.h>

#include <QThread>
#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>

#include "tests/e2e/x11_session.h"
#include "tests/support/media_factory.h"
#include "tests/support/reference_media.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

constexpr const char* kTitle = "VELTRA";  // the main window and the editor alike

uint32_t U32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

// Seconds of sound in a complete RIFF WAVE file; negative when the file is not one.
double WavSeconds(const std::string& file) {
    if (file.size() < 44 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0 ||
        U32(file, 4) + 8 != file.size())
        return -1.0;
    size_t fmt = file.find("fmt ");
    size_t data = file.find("data");
    if (fmt == std::string::npos || data == std::string::npos || data + 8 > file.size())
        return -1.0;
    uint32_t bytesPerSecond = U32(file, fmt + 16);
    uint32_t length = U32(file, data + 4);
    if (bytesPerSecond == 0 || data + 8 + length != file.size())
        return -1.0;
    return double(length) / bytesPerSecond;
}

// A titled window of the program that is none of the known ones (Qt keeps an untitled
// helper window of the screen's size mapped as well).
std::string WaitForOtherWindow(const std::string& title, qint64 pid,
                               const std::vector<std::string>& known, int ms) {
    std::string found;
    WaitFor(
        [&] {
            for (const std::string& id : FindWindows(title, pid))
                if (std::find(known.begin(), known.end(), id) == known.end()) {
                    found = id;
                    return true;
                }
            return false;
        },
        ms);
    return found;
}

class EditorE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!DisplayUsable(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(box.Ok());
        // Before the artwork is built the tests' plain skin stands in for it.
        std::string skin = box.BinDir() + "/skin.dat";
        std::string writer = std::string(VELTRA_BIN_DIR) + "/../tests/editor_test_skin";
        if (!fs::exists(skin) && (!fs::exists(writer) || RunTool({writer, skin}) != 0))
            GTEST_SKIP() << "no skin.dat in the program folder";
    }

    // Replaces a field's text by typing, as the user would.
    void TypeInto(const std::string& window, const QRect& field, const std::string& text) {
        Click(window, Centre(field));
        Key(window, "ctrl+a");
        TypeText(window, text);
    }

    Sandbox box;
};

TEST_F(EditorE2E, CutsARangeToWavAndListsItFirst) {
    std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 3.0);
    ASSERT_FALSE(song.empty());
    VeltraProcess app(box, {song});
    std::string main = WaitForMainWindow(app);
    ASSERT_FALSE(main.empty()) << app.Log();
    auto layout = Rects(app.Log(), R"(veltra\.player: layout)");
    ASSERT_TRUE(layout.count("list") && layout.count("edit")) << app.Log();

    // Select the only row (towards its right end, clear of the name's text), then Edit.
    const QPoint firstRow(layout["list"].right() - 40, layout["list"].y() + 30);
    Click(main, firstRow);
    Click(main, Centre(layout["edit"]));
    ASSERT_TRUE(app.WaitForLog("editor layout preview", 10000)) << app.Log();
    std::string editor = WaitForOtherWindow(kTitle, app.Pid(), {main}, 5000);
    ASSERT_FALSE(editor.empty()) << app.Log();
    EXPECT_EQ(WindowGeometry(editor).size(), QSize(525, 335));
    auto controls = Rects(app.Log(), "editor layout");
    for (const char* name : {"start", "end", "wav", "execute"})
        ASSERT_TRUE(controls.count(name)) << name << "\n" << app.Log();

    // From 0.5 s to 2.0 s, sound only.
    TypeInto(editor, controls["start"], "0.5");
    TypeInto(editor, controls["end"], "2");
    Click(editor, Centre(controls["wav"]));
    Click(editor, Centre(controls["execute"]));

    // The save prompt is the platform's file dialog: a full path and Return.
    std::string prompt = WaitForOtherWindow(".+", app.Pid(), {main, editor}, 8000);
    ASSERT_FALSE(prompt.empty()) << app.Log();
    std::string target = box.MediaDir() + "/cut.wav";
    TypeText(prompt, target);
    Key(prompt, "Return");

    // The finished output closes the editor.
    ASSERT_TRUE(WaitFor(
        [&] {
            auto ids = FindWindows(".*", app.Pid());
            return fs::exists(target) && std::find(ids.begin(), ids.end(), editor) == ids.end();
        },
        20000))
        << app.Log();
    EXPECT_NEAR(WavSeconds(testmedia::ReadFile(target)), 1.5, 0.01);
    EXPECT_TRUE(fs::exists(song)) << "the source stays";

    // The new file is the list's first row: playing that row plays it.
    Click(main, firstRow, 2);
    EXPECT_TRUE(app.WaitForLog("open row 0 mode 3 engine 1 ok: " + target, 8000)) << app.Log();
    EXPECT_TRUE(app.Running());
}

// A sound cut of an MPEG file with the points and the volume typed key by key: ".5"
// for the start, and "50" over the selected volume. The file holds the range from its
// first sample at half the level.
TEST_F(EditorE2E, TypedPointsAndVolumeCutAnMpegFileToTheSample) {
    std::string clip = refmedia::NumberedVideo(box.MediaDir(), "clip.mpg", 4.0);
    if (clip.empty() && !refmedia::HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg makes the MPEG source";
    ASSERT_FALSE(clip.empty());
    VeltraProcess app(box, {clip});
    std::string main = WaitForMainWindow(app);
    ASSERT_FALSE(main.empty()) << app.Log();
    auto layout = Rects(app.Log(), R"(veltra\.player: layout)");
    ASSERT_TRUE(layout.count("list") && layout.count("edit")) << app.Log();
    Click(main, QPoint(layout["list"].right() - 40, layout["list"].y() + 30));
    Click(main, Centre(layout["edit"]));
    ASSERT_TRUE(app.WaitForLog("editor layout preview", 10000)) << app.Log();
    std::string editor = WaitForOtherWindow(kTitle, app.Pid(), {main}, 5000);
    ASSERT_FALSE(editor.empty()) << app.Log();
    auto controls = Rects(app.Log(), "editor layout");
    for (const char* name : {"start", "end", "volume", "wav", "execute"})
        ASSERT_TRUE(controls.count(name)) << name << "\n" << app.Log();

    TypeInto(editor, controls["start"], ".5");
    TypeInto(editor, controls["end"], "2.5");
    TypeInto(editor, controls["volume"], "50");
    Click(editor, Centre(controls["wav"]));
    Click(editor, Centre(controls["execute"]));
    std::string prompt = WaitForOtherWindow(".+", app.Pid(), {main, editor}, 8000);
    ASSERT_FALSE(prompt.empty()) << app.Log();
    std::string target = box.MediaDir() + "/cut.wav";
    TypeText(prompt, target);
    Key(prompt, "Return");
    ASSERT_TRUE(WaitFor(
        [&] {
            auto ids = FindWindows(".*", app.Pid());
            return fs::exists(target) && std::find(ids.begin(), ids.end(), editor) == ids.end();
        },
        20000))
        << app.Log();

    refmedia::WavFile wav = refmedia::ReadWav(target);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.bits, 16);
    EXPECT_NEAR(wav.sound.size() / double(wav.rate), 2.0, 0.005);
    // The source's own decode counts from its first timestamp, as the program does.
    refmedia::Decoded full = refmedia::Decode(clip);
    ASSERT_TRUE(full.ok) << full.error;
    int64_t want = full.rate / 2;
    refmedia::Match m = refmedia::FindStart(full.sound, wav.sound, want, full.rate / 2);
    EXPECT_GT(m.score, 0.98);
    EXPECT_LE(std::abs(m.offset - want) * 1000.0 / full.rate, 5.0);
    double ratio = refmedia::Rms(wav.sound, 0, wav.sound.size()) /
                   refmedia::Rms(full.sound, static_cast<size_t>(m.offset), wav.sound.size());
    EXPECT_NEAR(ratio, 0.5, 0.005);
}

}  // namespace
