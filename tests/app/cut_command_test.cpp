#include "app/cut_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/ui_language.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

TEST(CutCommand, TimesInSecondsOrClockForm) {
    double s = -1;
    EXPECT_TRUE(ParseCutTime("12.25", &s));
    EXPECT_DOUBLE_EQ(s, 12.25);
    EXPECT_TRUE(ParseCutTime("1:02:03.500", &s));
    EXPECT_DOUBLE_EQ(s, 3723.5);
    EXPECT_TRUE(ParseCutTime("02:03.5", &s));
    EXPECT_DOUBLE_EQ(s, 123.5);
    for (const char* bad : {"", "-1", "1:60", "1:2:3:4", "1.5:10", "abc", "1e3", "1::2"})
        EXPECT_FALSE(ParseCutTime(bad, &s)) << bad;
}

TEST(CutCommand, RequestAndItsRefusals) {
    CutRequest r;
    std::string error;
    EXPECT_FALSE(ParseCutCommand({"movie.mp4"}, &r, &error));
    ASSERT_TRUE(ParseCutCommand({"--cut", "1.5", "0:00:03", "a.mp4", "b.wav", "--volume", "150"},
                                &r, &error));
    EXPECT_EQ(error, "");
    EXPECT_DOUBLE_EQ(r.start, 1.5);
    EXPECT_DOUBLE_EQ(r.end, 3.0);
    EXPECT_EQ(r.volume, 150);
    EXPECT_EQ(r.target, "b.wav");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--cut", "3", "1", "a.mp4", "b.mp4"},
             {"--cut", "1", "3", "a.mp4"},
             {"--cut", "1", "3", "a.mp4", "b.wav", "--volume", "500"},
             {"--cut", "x", "3", "a.mp4", "b.mp4"}}) {
        CutRequest q;
        ASSERT_TRUE(ParseCutCommand(bad, &q, &error));
        EXPECT_NE(error, "");
    }
}

TEST(CutCommand, KindFromTheTargetsExtension) {
    EXPECT_EQ(CutKindOf("a.mp4", "b.WAV"), CutKind::Wav);
    EXPECT_EQ(CutKindOf("a.mp4", "b.avi"), CutKind::Avi);
    EXPECT_EQ(CutKindOf("a.mp4", "b.asf"), CutKind::Asf);
    EXPECT_EQ(CutKindOf("a.MOV", "b.m4v"), CutKind::SameFormat);
    EXPECT_EQ(CutKindOf("a.mkv", "b.webm"), CutKind::SameFormat);
    EXPECT_EQ(CutKindOf("a.mkv", "b.mp4"), CutKind::Encoded);
    EXPECT_EQ(CutKindOf("a.wav", "b.flac"), CutKind::Encoded);
    EXPECT_EQ(CutKindOf("a.mp4", "b.txt"), CutKind::Unknown);
}

// A cut for scripts has no window to show a box in: a source the engine cannot read ends
// it with its sentence on the error stream, and no box is asked for.
TEST(CutCommand, AnUnreadableSourceFailsOnTheErrorStreamWithoutABox) {
    const std::string dir = testmedia::MakeTempDir("cutjunk");
    const std::string junk = testmedia::WriteBytes(dir, "junk.mp3", std::string(4096, '\x5a'));
    ScriptedPrompts prompts;
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(
        AnswerCutCommand({"--cut", "0", "1", junk, dir + "/out.wav"}, UiLanguage::English, err), 1);
    std::rewind(err);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, err), nullptr);
    EXPECT_STREQ(line, "Could not open the source file.\n");
    std::fclose(err);
    EXPECT_TRUE(prompts.Boxes().empty());
    testmedia::RemoveTree(dir);
}
