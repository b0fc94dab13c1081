// The real program under X cutting a range out of a sound file: select the item, open the
// editor from the main window's Edit button, type the start and end points, choose WAV,
// execute, answer the real save prompt, and find the new file complete, of the cut's
// length, at the top of the list.
#include <gtest/gtest.h>

#include <QThread>
#include <algorithm>
#include <filesystem>
#include <map>

#include "tests/e2e/program_test.h"
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

class EditorE2E : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (Stopped())
            return;
        // Before the artwork is built the tests' plain skin stands in for it.
        std::string skin = box.BinDir() + "/skin.dat";
        std::string writer = std::string(VELTRA_BIN_DIR) + "/../tests/editor_test_skin";
        if (!fs::exists(skin) && (!fs::exists(writer) || RunTool({writer, skin}) != 0))
            FAIL() << "no skin.dat in the program folder";
    }

    // Replaces a field's text by typing, as the user would.
    void TypeInto(const std::string& window, const QRect& field, const std::string& text) {
        Click(window, Centre(field));
        Key(window, "ctrl+a");
        TypeText(window, text);
    }

    struct Session {
        std::unique_ptr<VeltraProcess> app;
        std::string main, editor;
        QPoint firstRow;
        std::map<std::string, QRect> controls;
    };
    // The program started on one file, its row selected (towards its right end, clear of
    // the name's text) and Edit pressed; editor stays empty, with a failure recorded, when
    // the editor never came.
    Session EditFile(const std::string& file) {
        Session s;
        s.app = Start({file}, &s.main);
        if (s.main.empty())
            return s;
        VeltraProcess& app = *s.app;
        auto layout = Rects(app.Log(), R"(veltra\.player: layout)");
        if (!layout.count("list") || !layout.count("edit")) {
            ADD_FAILURE() << app.Log();
            return s;
        }
        s.firstRow = QPoint(layout["list"].right() - 40, layout["list"].y() + 30);
        Click(s.main, s.firstRow);
        Click(s.main, Centre(layout["edit"]));
        if (!app.WaitForLog("editor layout preview", 10000)) {
            ADD_FAILURE() << app.Log();
            return s;
        }
        s.editor = WaitForOtherWindow(kTitle, app.Pid(), {s.main}, 5000);
        EXPECT_FALSE(s.editor.empty()) << app.Log();
        s.controls = Rects(app.Log(), "editor layout");
        return s;
    }

    // Execute, then the platform's save prompt answered with a full path and Return; true
    // once the file is there and the finished output has closed the editor.
    ::testing::AssertionResult ExecuteInto(Session& s, const std::string& target) {
        VeltraProcess& app = *s.app;
        Click(s.editor, Centre(s.controls["execute"]));
        std::string prompt = WaitForOtherWindow(".+", app.Pid(), {s.main, s.editor}, 8000);
        if (prompt.empty())
            return ::testing::AssertionFailure() << "no save prompt\n" << app.Log();
        if (!AnswerPathPrompt(prompt, target, app.Pid()))
            return ::testing::AssertionFailure() << "the save prompt stays\n" << app.Log();
        bool done = WaitFor(
            [&] {
                auto ids = FindWindows(".*", app.Pid());
                return fs::exists(target) &&
                       std::find(ids.begin(), ids.end(), s.editor) == ids.end();
            },
            20000);
        if (!done)
            return ::testing::AssertionFailure() << app.Log();
        return ::testing::AssertionSuccess();
    }
};

TEST_F(EditorE2E, CutsARangeToWavAndListsItFirst) {
    std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 3.0);
    ASSERT_FALSE(song.empty());
    Session s = EditFile(song);
    ASSERT_FALSE(s.editor.empty());
    VeltraProcess& app = *s.app;
    EXPECT_EQ(WindowGeometry(s.editor).size(), QSize(525, 335));
    for (const char* name : {"start", "end", "wav", "execute"})
        ASSERT_TRUE(s.controls.count(name)) << name << "\n" << app.Log();

    // From 0.5 s to 2.0 s, sound only.
    TypeInto(s.editor, s.controls["start"], "0.5");
    TypeInto(s.editor, s.controls["end"], "2");
    Click(s.editor, Centre(s.controls["wav"]));
    const std::string target = box.MediaDir() + "/cut.wav";
    ASSERT_TRUE(ExecuteInto(s, target));
    EXPECT_NEAR(WavSeconds(testmedia::ReadFile(target)), 1.5, 0.01);
    EXPECT_TRUE(fs::exists(song)) << "the source stays";

    // The new file is the list's first row: playing that row plays it.
    Click(s.main, s.firstRow, 2);
    EXPECT_TRUE(app.WaitForLog("open row 0 mode 3 engine 1 ok: " + target, 8000)) << app.Log();
    EXPECT_TRUE(app.Running());
}

// A sound cut of an MPEG file with the points and the volume typed key by key: ".5"
// for the start, and "50" over the selected volume. The file holds the range from its
// first sample at half the level.
TEST_F(EditorE2E, TypedPointsAndVolumeCutAnMpegFileToTheSample) {
    std::string clip = refmedia::NumberedVideo(box.MediaDir(), "clip.mpg", 4.0);
    if (clip.empty() && !refmedia::HaveFfmpeg())
        FAIL() << "ffmpeg makes the MPEG source";
    ASSERT_FALSE(clip.empty());
    Session s = EditFile(clip);
    ASSERT_FALSE(s.editor.empty());
    VeltraProcess& app = *s.app;
    for (const char* name : {"start", "end", "volume", "wav", "execute"})
        ASSERT_TRUE(s.controls.count(name)) << name << "\n" << app.Log();

    TypeInto(s.editor, s.controls["start"], ".5");
    TypeInto(s.editor, s.controls["end"], "2.5");
    TypeInto(s.editor, s.controls["volume"], "50");
    Click(s.editor, Centre(s.controls["wav"]));
    const std::string target = box.MediaDir() + "/cut.wav";
    ASSERT_TRUE(ExecuteInto(s, target));

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
