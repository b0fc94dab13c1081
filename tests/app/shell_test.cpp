#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QWidget>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/command_line.h"
#include "app/player_app.h"
#include "platform/instance_lock.h"
#include "platform/settings.h"
#include "platform/sound_device.h"
#include "platform/window_placement.h"
#include "tests/support/full_disk.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

// A device that records what the shell does to it.
class FakeBuffer : public IDirectSoundBuffer, public IDirectSound3DListener {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (std::memcmp(&riid, &IID_IDirectSound3DListener, sizeof(GUID)) == 0 && has3D) {
            *ppv = static_cast<IDirectSound3DListener*>(this);
            ++refs;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetCurrentPosition(DWORD*, DWORD*) override { return S_OK; }
    HRESULT GetStatus(DWORD*) override { return S_OK; }
    HRESULT GetVolume(LONG* v) override {
        *v = volume;
        return S_OK;
    }
    HRESULT SetVolume(LONG v) override {
        volume = v;
        return S_OK;
    }
    HRESULT SetFormat(const WAVEFORMATEX* f) override {
        format = *f;
        return S_OK;
    }
    HRESULT Lock(DWORD, DWORD, void**, DWORD*, void**, DWORD*, DWORD) override { return E_FAIL; }
    HRESULT Unlock(void*, DWORD, void*, DWORD) override { return E_FAIL; }
    HRESULT Play(DWORD, DWORD, DWORD) override { return S_OK; }
    HRESULT Stop() override { return S_OK; }
    HRESULT Restore() override { return S_OK; }
    HRESULT SetDistanceFactor(float f, DWORD) override {
        distance = f;
        return S_OK;
    }
    HRESULT SetPosition(float x, float y, float z, DWORD) override {
        pos = {x, y, z};
        return S_OK;
    }
    HRESULT SetOrientation(float a, float b, float c, float d, float e, float f, DWORD) override {
        front = {a, b, c};
        top = {d, e, f};
        return S_OK;
    }
    HRESULT GetDistanceFactor(float*) override { return S_OK; }
    HRESULT GetPosition(D3DVECTOR*) override { return S_OK; }
    HRESULT GetOrientation(D3DVECTOR*, D3DVECTOR*) override { return S_OK; }

    int refs = 1;
    bool has3D = false;
    LONG volume = -300;
    WAVEFORMATEX format{};
    float distance = 0;
    D3DVECTOR pos{9, 9, 9}, front{}, top{};
};

class FakeDevice : public IDirectSound8 {
  public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* d, IDirectSoundBuffer** b, IUnknown*) override {
        flags = d->dwFlags;
        size = d->dwSize;
        buffer.has3D = (d->dwFlags & DSBCAPS_CTRL3D) != 0;
        *b = &buffer;
        return S_OK;
    }
    HRESULT SetCooperativeLevel(void*, DWORD l) override {
        level = l;
        return levelResult;
    }
    int refs = 1;
    DWORD flags = 0, size = 0, level = 0;
    HRESULT levelResult = S_OK;
    FakeBuffer buffer;
};

struct FakeFactory {
    FakeDevice device;
    int calls = 0;
    SoundDevice::Factory Get() {
        return [this](const GUID*, IDirectSound8** out, IUnknown*) {
            ++calls;
            *out = &device;
            return S_OK;
        };
    }
};

TEST(SoundDeviceTest, CreatesWithListenerAndRestoresVolume) {
    FakeFactory f;
    SoundDevice sound(true, f.Get());
    ASSERT_TRUE(sound.Create(nullptr));
    EXPECT_EQ(f.device.level, DSSCL_PRIORITY);
    EXPECT_EQ(f.device.size, 36u);
    EXPECT_EQ(f.device.flags, 0x91u);
    EXPECT_EQ(f.device.buffer.format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.device.buffer.format.nBlockAlign, 4);
    ASSERT_NE(sound.Listener(), nullptr);
    EXPECT_EQ(f.device.buffer.distance, 1.0f);
    EXPECT_EQ(f.device.buffer.pos.x, 0.0f);
    EXPECT_EQ(f.device.buffer.front.z, 1.0f);
    EXPECT_EQ(f.device.buffer.top.y, 1.0f);
    EXPECT_TRUE(sound.Create(nullptr));  // second call touches nothing
    EXPECT_EQ(f.calls, 1);
    sound.SetPrimaryVolume(-5000);
    EXPECT_EQ(f.device.buffer.volume, -5000);
    sound.Release();
    EXPECT_EQ(f.device.buffer.volume, -300);
    EXPECT_EQ(f.device.buffer.refs, 0);
    EXPECT_EQ(f.device.refs, 0);
    EXPECT_EQ(sound.Device(), nullptr);
    sound.SetPrimaryVolume(-100);  // no buffer: nothing happens
    EXPECT_EQ(f.device.buffer.volume, -300);
}

TEST(SoundDeviceTest, SwitchOffMeansNoListenerAndFailedLevelKeepsDevice) {
    FakeFactory f;
    SoundDevice sound(false, f.Get());
    ASSERT_TRUE(sound.Create(nullptr));
    EXPECT_EQ(f.device.flags, 0x81u);
    EXPECT_EQ(sound.Listener(), nullptr);
    sound.Release();

    FakeFactory g;
    g.device.levelResult = E_FAIL;
    SoundDevice failing(true, g.Get());
    EXPECT_FALSE(failing.Create(nullptr));
    EXPECT_TRUE(failing.Create(nullptr));  // the device stays and counts as existing
    EXPECT_EQ(g.calls, 1);
}

TEST(CommandLineTest, LastArgumentAndSwitch) {
    EXPECT_EQ(ParseCommandLine({}).startFile, "");
    EXPECT_TRUE(ParseCommandLine({}).use3D);
    CommandLine cl = ParseCommandLine({"a.mp3", "/3ds", "b.mp3"});
    EXPECT_EQ(cl.startFile, "b.mp3");
    EXPECT_FALSE(cl.use3D);
    cl = ParseCommandLine({"a.mp3", "/3DS", "/3ds"});
    EXPECT_EQ(cl.startFile, "/3ds");
    EXPECT_FALSE(cl.use3D);
    EXPECT_TRUE(ParseCommandLine({"/3DS", "x/3ds"}).use3D);
}

TEST(PlayerAppTest, SecondInstanceIsWarnedAndDoesNotRun) {
    std::string dir = testmedia::MakeTempDir("app");
    ScriptedPrompts prompts;
    char prog[] = "veltra", a[] = "one.mp3", s[] = "/3ds", b[] = "two.mp3";
    char* argv[] = {prog, a, s, b};
    std::string started;
    bool use3D = true;
    PlayerApp first(
        4, argv,
        [&](const std::string& file, bool u) {
            started = file;
            use3D = u;
            PlayerApp second(
                1, argv, [](const std::string&, bool) { return 5; }, dir);
            EXPECT_FALSE(second.InitInstance());
            EXPECT_FALSE(second.MainWindowRan());
            return 3;
        },
        dir);
    EXPECT_FALSE(first.InitInstance());
    EXPECT_EQ(first.ExitCode(), 3);
    char cwd[PATH_MAX];
    ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
    EXPECT_EQ(started, std::string(cwd) + "/two.mp3") << "made absolute before it enters the list";
    EXPECT_FALSE(use3D);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "警告");
    EXPECT_EQ(prompts.Boxes()[0].text,
              "アプリケーションは既に起動しています。\n処理を中止します。");
    EXPECT_EQ(prompts.Boxes()[0].style, MB_OK | MB_ICONEXCLAMATION);
    testmedia::RemoveTree(dir);
}

TEST(CommandLineTest, StartFileIsMadeAbsoluteAgainstTheWorkingFolder) {
    EXPECT_EQ(AbsoluteStartFile("a.mp3", "/w"), "/w/a.mp3");
    EXPECT_EQ(AbsoluteStartFile("sub/b.vpl", "/w/"), "/w/sub/b.vpl");
    EXPECT_EQ(AbsoluteStartFile("./a.mp3", "/w/x"), "/w/x/a.mp3");
    EXPECT_EQ(AbsoluteStartFile("../a.mp3", "/w/x"), "/w/a.mp3");
    EXPECT_EQ(AbsoluteStartFile("./../../../a.mp3", "/w"), "/a.mp3") << "no climbing past the root";
    EXPECT_EQ(AbsoluteStartFile("a.mp3", "/"), "/a.mp3");
    EXPECT_EQ(AbsoluteStartFile("/abs/a.mp3", "/w"), "/abs/a.mp3");
    EXPECT_EQ(AbsoluteStartFile("/3ds", "/w"), "/3ds");
    EXPECT_EQ(AbsoluteStartFile("", "/w"), "");
}

TEST(PlayerAppTest, StartRemovesScratchFilesThatKilledRunsLeft) {
    const std::string dir = testmedia::MakeTempDir("app_scratch");
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string savedState = oldState ? oldState : "";
    ::setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
    const std::string scratch = testmedia::WriteBytes(dir, ".cut.avi.part12345", "half a cut");
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    std::filesystem::create_directories(dir + "/state/veltra/scratch");
    testmedia::WriteBytes(dir + "/state/veltra/scratch", std::to_string(dead) + "-0-f",
                          "F " + scratch + "\n");

    char prog[] = "veltra";
    char* argv[] = {prog};
    bool ran = false;
    PlayerApp app(
        1, argv,
        [&](const std::string&, bool) {
            ran = true;
            return 0;
        },
        dir);
    app.InitInstance();
    EXPECT_TRUE(ran);
    EXPECT_NE(::access(scratch.c_str(), F_OK), 0);
    ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    testmedia::RemoveTree(dir);
}

class PlacementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("placement");
        SetSettingsFilePath(dir + "/plInfo.ini");
        limits.hasMin = true;
        limits.min = QSize(380, 310);
        limits.hasMax = true;
        limits.max = QSize(2000, 2000);
    }
    void TearDown() override {
        SetSettingsFilePath("");
        testmedia::RemoveTree(dir);
    }
    std::string dir;
    PlacementLimits limits;
};

TEST_F(PlacementTest, RestoresWithinLimitsOnly) {
    WindowPlacement p;
    EXPECT_FALSE(LoadPlacement("MAIN", "SIZE", limits, &p));  // no file
    WriteSetting("MAIN", "SIZE", "10,10,400,330,1,0");
    ASSERT_TRUE(LoadPlacement("MAIN", "SIZE", limits, &p));
    EXPECT_EQ(p.normal, QRect(10, 10, 390, 320));
    WriteSetting("MAIN", "SIZE", "0,0,380,310,2,0");  // equal sizes pass
    ASSERT_TRUE(LoadPlacement("MAIN", "SIZE", limits, &p));
    EXPECT_EQ(p.showState, SW_SHOWMINIMIZED);
    for (const char* bad : {"0,0,300,400,1,0", "0,0,400,2001,1,0", "1,2,3,4,5", "Default", ""}) {
        WriteSetting("MAIN", "SIZE", bad);
        EXPECT_FALSE(LoadPlacement("MAIN", "SIZE", limits, &p)) << bad;
    }
    // Without limits too, a negative size or one past the int range is no placement.
    PlacementLimits none;
    for (const char* bad :
         {"500,0,100,400,1,0", "0,500,400,100,1,0", "-2147483000,0,2147483000,400,1,0"}) {
        WriteSetting("MAIN", "SIZE", bad);
        EXPECT_FALSE(LoadPlacement("MAIN", "SIZE", none, &p)) << bad;
    }
}

TEST_F(PlacementTest, WindowRoundTripAndOption) {
    EXPECT_FALSE(ReadKeepWindowSize());
    WriteSetting("MAIN", "STRECH", "true");
    EXPECT_FALSE(ReadKeepWindowSize());
    WriteKeepWindowSize(true);
    EXPECT_TRUE(ReadKeepWindowSize());

    QWidget w;
    w.setGeometry(20, 30, 400, 320);
    SaveWindowPlacement(&w, "VIEW", "SIZE");
    EXPECT_EQ(ReadSetting("VIEW", "SIZE", ""), "20,30,420,350,1,0");
    QWidget restored;
    ASSERT_TRUE(RestoreWindowPlacement(&restored, "VIEW", "SIZE", limits));
    EXPECT_EQ(restored.geometry(), QRect(20, 30, 400, 320));

    // A rectangle far off every screen comes back onto the screen, size kept.
    WriteSetting("VIEW", "SIZE", "90000,90000,90400,90320,1,0");
    ASSERT_TRUE(RestoreWindowPlacement(&restored, "VIEW", "SIZE", limits));
    EXPECT_EQ(restored.geometry().size(), QSize(400, 320));
    EXPECT_LT(restored.geometry().left(), 10000);
}

TEST_F(PlacementTest, SettingsThatCannotBeWrittenStayAsTheyWere) {
    WriteKeepWindowSize(false);
    WriteSetting("MAIN", "SIZE", "10,10,400,330,1,0");
    const std::string before = testmedia::ReadFile(dir + "/plInfo.ini");
    const int result = testmedia::RunWithFileSizeLimit(8, [&] {
        WriteKeepWindowSize(true);  // fails quietly, as at exit
        if (WriteSetting("MAIN", "SIZE", "0,0,500,500,1,0"))
            return 1;
        return testmedia::ReadFile(dir + "/plInfo.ini") == before ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ReadKeepWindowSize());
}

}  // namespace
