// Ctrl+F on the real program: typing narrows the list to the matching rows, Enter plays
// the match, and the list itself stays whole for Next.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/e2e/program_test.h"
#include "tests/support/media_factory.h"

using namespace e2e;

namespace {

class FindE2E : public ProgramTest {};

}  // namespace

TEST_F(FindE2E, TypingNarrowsTheListAndEnterPlaysTheMatch) {
    std::vector<std::string> songs;
    for (const char* name : {"alpha.wav", "beta.wav", "gamma.wav", "delta.wav"}) {
        songs.push_back(testmedia::Tone(box.MediaDir(), name, 20.0));
        ASSERT_FALSE(songs.back().empty());
    }
    std::ofstream(box.MediaDir() + "/four.vpl")
        << "alpha.wav\r\nbeta.wav\r\ngamma.wav\r\ndelta.wav\r\n";
    std::string win;
    auto app = Start({box.MediaDir() + "/four.vpl"}, &win);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + songs[0], 15000)) << app->Log();

    Key(win, "ctrl+f");
    TypeText(win, "GAM");
    Key(win, "Return");
    ASSERT_TRUE(app->WaitForLog("open row 2 mode 3 engine 1 ok: " + songs[2], 15000)) << app->Log();
    // Esc closes the field; Next goes on through the whole list, not the matches.
    Key(win, "Escape");
    Key(win, "XF86AudioNext");
    ASSERT_TRUE(app->WaitForLog("open row 3 mode 3 engine 1 ok: " + songs[3], 15000)) << app->Log();
}
