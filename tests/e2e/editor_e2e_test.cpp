// The real program under X cutting a range out of a sound file: select the item, open the
// editor from the main window's Edit button, type the start and end points, choose WAV,
// execute, answer the real save prompt, and find the new file complete, of the cut's
// length, at the top of the list.
#include <gtest/gtest.h>

#include <QThread>
#include <algorithm>
#include <filesystem>
#include <map>

#include "tests/e2e/editor_session.h"
#include "tests/support/media_factory.h"
#include "tests/support/reference_media.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

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

class EditorE2E : public EditorSessionTest {};

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
