// The real program under X cutting an H.264 MP4 to the frame without re-encoding what it
// need not: the editor opened on the file, its own format chosen, the start and end put on
// frames between keyframes by the , . I and O keys, executed through the save prompt; the
// written file is then read by GStreamer's decoders and by ffprobe.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/editor_session.h"
#include "tests/support/reference_media.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

class EditorFramesE2E : public EditorSessionTest {};

// Presses a key n times, to whatever window has the keyboard.
void Press(const std::string& key, int n) {
    KeyStrokes(std::vector<std::string>(n, key));
}

TEST_F(EditorFramesE2E, KeysPutTheCopyOnFramesBetweenKeyframes) {
    if (!refmedia::HaveFfmpeg())
        FAIL() << "ffmpeg makes the MP4 source";
    // 25 frames a second, a keyframe every 2 s, B-frames; frame i shows the number i.
    const std::string clip = refmedia::NumberedVideo(box.MediaDir(), "clip.mp4", 8.0);
    ASSERT_FALSE(clip.empty());
    Session s = EditFile(clip);
    ASSERT_FALSE(s.editor.empty());
    VeltraProcess& app = *s.app;
    for (const char* name : {"other", "kinds", "forward", "execute", "frameforward"})
        ASSERT_TRUE(s.controls.count(name)) << name << "\n" << app.Log();
    // Nothing of the further rows runs off the window.
    for (const char* name : {"other", "kinds", "frameback", "frameforward", "markstart", "markend"})
        EXPECT_TRUE(QRect(0, 0, 525, 335).contains(s.controls[name])) << name;

    // The copy in the source's own format; the option then holds the keyboard, which the
    // editor's keys reach.
    Click(s.editor, Centre(s.controls["other"]));
    Key(s.editor, "period");
    Press("period", 12);                             // frame 13, 0.52 s
    Press("i", 1);                                   // the end is followed from now on
    Click(s.editor, Centre(s.controls["forward"]));  // five seconds on: 5.5 s, in frame 137
    Key(s.editor, "period");
    Press("Right", 1);  // frame 139, 5.56 s
    Press("o", 1);

    const std::string target = box.MediaDir() + "/cut.mp4";
    ASSERT_TRUE(ExecuteInto(s, target));

    // Frames 13 to 138, the first of them re-encoded up to the keyframe at 2 s.
    refmedia::Decoded cut = refmedia::Decode(target, false);
    ASSERT_TRUE(cut.ok) << cut.error;
    ASSERT_FALSE(cut.frames.empty());
    EXPECT_EQ(cut.frames.front(), 13);
    EXPECT_EQ(cut.frames.back(), 138);
    EXPECT_EQ(cut.frames.size(), 126u);
    refmedia::Probed probed = refmedia::Probe(target);
    ASSERT_TRUE(probed.ok);
    EXPECT_EQ(probed.videoPackets, 126);
    EXPECT_NEAR(probed.duration, 126 / 25.0, 0.05);
    EXPECT_EQ(probed.codecs.front(), "h264");
}

}  // namespace
