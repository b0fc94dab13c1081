// The program's binding of libtunewell: loading, the unbound fallback, pass-through.
#include "engine/ogg_backend.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"

namespace {

const std::string kBinDir = VELTRA_BIN_DIR;

bool LibraryBuilt() {
    return access((kBinDir + "/libtunewell.so").c_str(), R_OK) == 0;
}

std::atomic<int> g_ends{0};
std::atomic<int> g_lastPosition{-1};
int32_t OnNotify(int32_t code, int32_t value, int32_t) {
    if (code == VL_NOTIFY_END)
        ++g_ends;
    else if (code == VL_NOTIFY_POSITION)
        g_lastPosition = value;
    return 0;
}

class OggBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = testmedia::MakeTempDir("oggbackend");
        g_ends = 0;
        g_lastPosition = -1;
    }
    void TearDown() override { testmedia::RemoveTree(m_dir); }
    std::string m_dir;
};

TEST_F(OggBackendTest, WithoutTheLibraryEveryWrapperAnswersZero) {
    OggBackend ogg;
    EXPECT_FALSE(ogg.Load(m_dir));  // an empty folder, and not on the library path
    EXPECT_FALSE(ogg.IsLoaded());
    std::string ogg1 = testmedia::Tone(m_dir, "a.ogg", 0.5);
    double total = 0;
    ogg.VorbisLibInit(nullptr, OnNotify);
    EXPECT_EQ(ogg.VorbisLibOpen(ogg1, &total), 0);
    EXPECT_EQ(total, 0.0);
    EXPECT_EQ(ogg.VorbisLibPlay(), 0);
    EXPECT_EQ(ogg.VorbisLibSetTime(1.0), 0);
    double t = 5;
    EXPECT_EQ(ogg.VorbisLibGetTime(&t), 0);
    EXPECT_EQ(t, 5);
    EXPECT_EQ(ogg.VorbisLibIsActive(), 0);
    EXPECT_EQ(ogg.VorbisLibIsPlay(), 0);
    EXPECT_EQ(ogg.VorbisLibIsPause(), 0);
    EXPECT_EQ(ogg.VorbisLibWaveDest(m_dir + "/x.wav", 100, nullptr, nullptr), 0);
    ogg.VorbisLibPause();
    ogg.VorbisLibStop();
    ogg.VorbisLibClose();
    char name[8] = "junk";
    ogg.VorbisLibGetFile(name, sizeof(name));
    EXPECT_STREQ(name, "");
    EXPECT_EQ(ogg.VorbisLibGetFile(), "");
    ogg.Unload();
    ogg.Unload();
    EXPECT_FALSE(ogg.IsLoaded());
    EXPECT_EQ(access((m_dir + "/x.wav").c_str(), F_OK), -1);
}

TEST_F(OggBackendTest, LoadedLibraryPassesCallsThrough) {
    if (!LibraryBuilt())
        FAIL() << "libtunewell.so not built in this tree";
    std::string tone = testmedia::Tone(m_dir, "tone.ogg", 1.0);
    ASSERT_FALSE(tone.empty());
    OggBackend ogg;
    ASSERT_TRUE(ogg.Load(kBinDir));
    EXPECT_TRUE(ogg.IsLoaded());
    ogg.VorbisLibInit(nullptr, OnNotify);
    double total = 0;
    ASSERT_EQ(ogg.VorbisLibOpen(tone, &total), 1);
    EXPECT_NEAR(total, 1.0, 0.01);
    EXPECT_EQ(ogg.VorbisLibIsActive(), 1);
    EXPECT_EQ(ogg.VorbisLibGetFile(), tone);
    char small[4];
    ogg.VorbisLibGetFile(small, sizeof(small));
    EXPECT_STREQ(small, "") << "a name that does not fit is not cut short";

    EXPECT_EQ(ogg.VorbisLibSetTime(12.96), 1);
    double t = 0;
    EXPECT_EQ(ogg.VorbisLibGetTime(&t), 1);
    EXPECT_EQ(t, 12.0);
    ogg.VorbisLibStop();

    const double start = 0.0, end = 0.5;
    std::string wav = m_dir + "/out.wav";
    ASSERT_EQ(ogg.VorbisLibWaveDest(wav, 100, &start, &end), 1);
    WaitUntil([] { return g_ends != 0; }, 30000);
    EXPECT_EQ(g_ends, 1);
    EXPECT_EQ(testmedia::ReadFile(wav).substr(0, 4), "RIFF");

    // Without a sound device playback ends by itself and says so.
    g_ends = 0;
    EXPECT_EQ(ogg.VorbisLibPlay(), 1);
    WaitUntil([] { return g_ends != 0; }, 30000);
    EXPECT_EQ(g_ends, 1);
    ogg.Unload();
    EXPECT_FALSE(ogg.IsLoaded());
    EXPECT_EQ(ogg.VorbisLibIsActive(), 0);
}

// The main window and the editor each hold a binding of the same player.
TEST_F(OggBackendTest, TwoBindingsShareOnePlayer) {
    if (!LibraryBuilt())
        FAIL() << "libtunewell.so not built in this tree";
    std::string tone = testmedia::Tone(m_dir, "tone.ogg", 0.5);
    OggBackend mainWindow, editor;
    ASSERT_TRUE(mainWindow.Load(kBinDir));
    ASSERT_TRUE(editor.Load(kBinDir + "/"));
    mainWindow.VorbisLibInit(nullptr, OnNotify);
    ASSERT_EQ(mainWindow.VorbisLibOpen(tone, nullptr), 1);
    EXPECT_EQ(editor.VorbisLibIsActive(), 1);
    EXPECT_EQ(editor.VorbisLibGetFile(), tone);
    // The editor's teardown closes the shared file, but the library stays loaded.
    editor.Unload();
    EXPECT_EQ(mainWindow.VorbisLibIsActive(), 0);
    EXPECT_EQ(mainWindow.VorbisLibOpen(tone, nullptr), 1);
    mainWindow.Unload();
}

}  // namespace
