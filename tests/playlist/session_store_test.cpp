#include "playlist/session_store.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>

namespace {

class SessionStoreTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    std::string File() const { return dir.path().toStdString() + "/state/veltra/session"; }
};

}  // namespace

TEST_F(SessionStoreTest, RoundTripKeepsOrderAndResumeAndMakesTheFolder) {
    SessionStore store(File());
    SessionState s;
    s.paths = {"/m/b song.mp3", "/m/a.ogg", "/m/ü tab\there.wav"};
    s.resumePath = "/m/a.ogg";
    s.resumeTenths = 1234;
    ASSERT_EQ(store.Save(s), 0);
    SessionState back;
    ASSERT_TRUE(store.Load(&back));
    EXPECT_EQ(back.paths, s.paths);
    EXPECT_EQ(back.resumePath, s.resumePath);
    EXPECT_EQ(back.resumeTenths, 1234);
}

TEST_F(SessionStoreTest, LineBreaksInPathsAreLeftOutRatherThanSplitIntoRows) {
    SessionStore store(File());
    SessionState s;
    s.paths = {"/m/one.mp3", "/m/two\n/etc/passwd.mp3", "/m/three\r.mp3", "/m/four.mp3"};
    s.resumePath = "/m/x\ny.mp3";
    ASSERT_EQ(store.Save(s), 0);
    SessionState back;
    ASSERT_TRUE(store.Load(&back));
    EXPECT_EQ(back.paths, (std::vector<std::string>{"/m/one.mp3", "/m/four.mp3"}));
    EXPECT_TRUE(back.resumePath.empty());
}

TEST_F(SessionStoreTest, MissingForeignOrDamagedFilesLoadAsNothingOrTheirGoodLines) {
    SessionStore store(File());
    SessionState back;
    EXPECT_FALSE(store.Load(&back));

    ASSERT_EQ(store.Save(SessionState{{"/m/a.mp3"}, {}, 0}), 0);
    std::ofstream(File(), std::ios::binary) << "some other file\n/m/a.mp3\n";
    EXPECT_FALSE(store.Load(&back));
    EXPECT_TRUE(back.paths.empty());

    std::ofstream(File(), std::ios::binary)
        << "#VELTRA-SESSION 1\nresume\t-5\t/m/a.mp3\nresume\tjunk\t/m/a.mp3\nrelative.mp3\n"
           "/m/a.mp3";
    ASSERT_TRUE(store.Load(&back));
    EXPECT_EQ(back.paths, std::vector<std::string>{"/m/a.mp3"}) << "last line without a break";
    EXPECT_TRUE(back.resumePath.empty());
}

TEST_F(SessionStoreTest, StateFolderFollowsTheDesktopsRule) {
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string saved = oldState ? oldState : "";
    setenv("XDG_STATE_HOME", "/x/state", 1);
    EXPECT_EQ(SessionStore::DefaultFile(), "/x/state/veltra/session");
    setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored, as the rule says
    setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/h", 1);
    EXPECT_EQ(SessionStore::DefaultFile(),
              std::string(std::getenv("HOME")) + "/.local/state/veltra/session");
    if (oldState)
        setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}
