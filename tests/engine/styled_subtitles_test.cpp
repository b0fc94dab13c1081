// SubStation Alpha scripts beside a video read as timed text: their events, in the order
// of their start, with the styling taken out.
#include <gtest/gtest.h>

#include "engine/styled_subtitles.h"

TEST(StyledSubtitles, EventsBecomeSubRipCuesInTheOrderOfTheirStart) {
    const std::string script =
        "[Script Info]\r\nScriptType: v4.00+\r\n\r\n"
        "[V4+ Styles]\r\nFormat: Name, Fontname\r\nStyle: Default,Sans\r\n\r\n"
        "[Events]\r\n"
        "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
        "Dialogue: 0,0:00:05.50,0:00:07.00,Default,,0,0,0,,{\\i1}Later{\\i0}, with a comma\r\n"
        "Comment: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,not shown\r\n"
        "Dialogue: 0,1:02:03.04,1:02:04.00,Default,,0,0,0,,Two\\Nlines\\hand a space\r\n"
        "Dialogue: 0,0:00:01.00,0:00:03.00,Default,,0,0,0,,First\r\n"
        "Dialogue: 0,0:00:09.00,0:00:08.00,Default,,0,0,0,,ends before it starts\r\n"
        "Dialogue: 0,0:00:10.00,0:00:11.00,Default,,0,0,0,,{\\pos(1,2)}\r\n"
        "Dialogue: broken\r\n";
    EXPECT_EQ(SubRipFromStyled(script),
              "1\n00:00:01,000 --> 00:00:03,000\nFirst\n\n"
              "2\n00:00:05,500 --> 00:00:07,000\nLater, with a comma\n\n"
              "3\n01:02:03,040 --> 01:02:04,000\nTwo\nlines and a space\n\n");
}

TEST(StyledSubtitles, TheFormatLineSaysWhereTheTimesAreAndNothingElseCounts) {
    // The older SSA order; a Dialogue line outside the events section is no event.
    const std::string ssa =
        "[Script Info]\nDialogue: 0,0:00:01.00,0:00:02.00,x,,0,0,0,,outside\n"
        "[Events]\nFormat: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
        "Text\nDialogue: Marked=0,0:00:02.00,0:00:04.25,Default,NTP,0000,0000,0000,!Effect,Old "
        "style\n";
    EXPECT_EQ(SubRipFromStyled(ssa), "1\n00:00:02,000 --> 00:00:04,250\nOld style\n\n");
    EXPECT_EQ(SubRipFromStyled("[Events]\nFormat: Start, Text, End\n"
                               "Dialogue: 0:00:01.00,text,0:00:02.00\n"),
              "")
        << "a script whose text is not the last field is not guessed at";
    EXPECT_EQ(SubRipFromStyled(""), "");
    EXPECT_TRUE(IsStyledSubtitleFile("/a/b/movie.ASS"));
    EXPECT_TRUE(IsStyledSubtitleFile("movie.ssa"));
    EXPECT_FALSE(IsStyledSubtitleFile("movie.srt"));
    EXPECT_FALSE(IsStyledSubtitleFile("ass"));
}
