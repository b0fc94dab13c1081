#include "platform/sdl_sound.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/cursor_travel.h"
#include "tests/platform/device_buffers.h"
#include "tests/platform/tone_distortion.h"
#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"

namespace {

using testsound::Pcm16;
using testsound::Pcm16Stereo;

struct DeviceFixture : ::testing::Test {
    void SetUp() override { ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), S_OK); }
    void TearDown() override {
        if (ds) {
            EXPECT_EQ(ds->Release(), 0u);
        }
    }
    IDirectSoundBuffer* Secondary(DWORD bytes) {
        WAVEFORMATEX f = Pcm16Stereo();
        DSBUFFERDESC d{};
        d.dwSize = 36;
        d.dwFlags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME;
        d.dwBufferBytes = bytes;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), S_OK);
        return b;
    }
    IDirectSound8* ds = nullptr;
};

TEST_F(DeviceFixture, PrimaryBufferKeepsVolumeFormatAndListener) {
    DSBUFFERDESC d{};
    d.dwSize = 36;
    d.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRL3D;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &primary, nullptr), S_OK);
    WAVEFORMATEX f = Pcm16Stereo();
    EXPECT_EQ(primary->SetFormat(&f), S_OK);
    f.nBlockAlign = 3;
    EXPECT_EQ(primary->SetFormat(&f), DSERR_INVALIDPARAM);
    EXPECT_EQ(primary->SetVolume(-1200), S_OK);
    LONG v = 0;
    primary->GetVolume(&v);
    EXPECT_EQ(v, -1200);
    EXPECT_EQ(primary->SetVolume(1), DSERR_INVALIDPARAM);
    void* p = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, &p), S_OK);
    auto* listener = static_cast<IDirectSound3DListener*>(p);
    listener->SetPosition(1, 2, 3, DS3D_IMMEDIATE);
    D3DVECTOR pos{}, front{}, top{};
    listener->GetPosition(&pos);
    listener->GetOrientation(&front, &top);
    EXPECT_EQ(pos.z, 3.0f);
    EXPECT_EQ(front.z, 1.0f);
    EXPECT_EQ(top.y, 1.0f);
    listener->Release();
    EXPECT_EQ(primary->Release(), 0u);
}

TEST(SdlSoundTest, VolumeMapping) {
    EXPECT_FLOAT_EQ(LinearGainFromHundredthsDb(0), 1.0f);
    EXPECT_NEAR(LinearGainFromHundredthsDb(-2000), 0.1f, 1e-6);
    EXPECT_NEAR(LinearGainFromHundredthsDb(-600), 0.501187f, 1e-5);
    EXPECT_EQ(LinearGainFromHundredthsDb(-10000), 0.0f);
}

TEST_F(DeviceFixture, LockWrapsAroundTheRing) {
    IDirectSoundBuffer* b = Secondary(4000);
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(3000, 2000, &p1, &n1, &p2, &n2, 0), S_OK);
    EXPECT_EQ(n1, 1000u);
    EXPECT_EQ(n2, 1000u);
    EXPECT_EQ(static_cast<char*>(p1) - static_cast<char*>(p2), 3000);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), S_OK);
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), S_OK);
    EXPECT_EQ(n1, 4000u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(b->Lock(4000, 1, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 4001, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    b->Release();
}

TEST_F(DeviceFixture, CursorAdvancesAndNotificationsFireInOrder) {
    const DWORD segment = 44100 * 4 / 20;  // 50 ms
    IDirectSoundBuffer* b = Secondary(segment * 4);
    void* p = nullptr;
    ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, &p), S_OK);
    auto* notify = static_cast<IDirectSoundNotify*>(p);
    Event events[5];
    DSBPOSITIONNOTIFY pos[5];
    for (int i = 0; i < 4; ++i)
        pos[i] = {segment * static_cast<DWORD>(i) + segment - 1, &events[i]};
    pos[4] = {DSBPN_OFFSETSTOP, &events[4]};
    ASSERT_EQ(notify->SetNotificationPositions(5, pos), S_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    EXPECT_EQ(notify->SetNotificationPositions(0, nullptr), DSERR_INVALIDCALL);
    // Two laps: each segment end in turn.
    for (int lap = 0; lap < 2; ++lap)
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(events[i].Wait(2000)) << "segment " << i;
            for (int j = 0; j < 4; ++j)
                if (j != i && j != (i + 1) % 4) {
                    EXPECT_FALSE(events[j].Wait(0)) << "out of order at " << i;
                }
        }
    DWORD play = 0, write = 0, status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    b->GetCurrentPosition(&play, &write);
    EXPECT_LT(play, segment * 4);
    EXPECT_EQ(b->Stop(), S_OK);
    EXPECT_TRUE(events[4].Wait(0));
    DWORD stopped = 0;
    b->GetCurrentPosition(&stopped, nullptr);
    // A second buffer plays on as the device's clock: 60 ms of it pass by a cursor that stays.
    testsound::DeviceBuffers others;
    testsound::CursorTravel clock(others.Looping(ds, [](DWORD) { return 0; }),
                                  Pcm16Stereo().nAvgBytesPerSec);
    EXPECT_TRUE(StaysTrueUntil(
        [&] {
            DWORD later = 0;
            b->GetCurrentPosition(&later, nullptr);
            return later == stopped;
        },
        [&] { return clock.Bytes() >= Pcm16Stereo().nAvgBytesPerSec * 60 / 1000; }, 30000))
        << "a stopped cursor moved";
    others.ReleaseAll();
    notify->Release();
    b->Release();
}

TEST_F(DeviceFixture, OneShotPlayEndsAndStops) {
    // At the output's rate and through the rate converter, which must be emptied out.
    for (int rate : {44100, 48000, 22050}) {
        WAVEFORMATEX f = Pcm16(rate, 2);
        DSBUFFERDESC d{};
        d.dwSize = 36;
        d.dwFlags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2;
        d.dwBufferBytes = static_cast<DWORD>(rate) * 4 / 20;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), S_OK);
        void* p = nullptr;
        b->QueryInterface(IID_IDirectSoundNotify, &p);
        auto* notify = static_cast<IDirectSoundNotify*>(p);
        Event stop;
        DSBPOSITIONNOTIFY pos{DSBPN_OFFSETSTOP, &stop};
        notify->SetNotificationPositions(1, &pos);
        for (int round = 0; round < 2; ++round) {  // and once more from the start
            ASSERT_EQ(b->Play(0, 0, 0), S_OK);
            EXPECT_TRUE(stop.Wait(2000)) << rate << " Hz, round " << round;
            DWORD status = 1, cursor = 1;
            b->GetStatus(&status);
            b->GetCurrentPosition(&cursor, nullptr);
            EXPECT_EQ(status, 0u) << rate;
            EXPECT_EQ(cursor, 0u) << rate;
        }
        notify->Release();
        b->Release();
    }
}

// A looping one-second buffer of a pure tone at `rate`, played for a while through the
// default 44100 Hz output; what SDL's disk driver captured, as 44100 Hz stereo.
std::vector<int16_t> PlayToneThroughDisk(int rate, int channels, double freq, int amplitude) {
    const std::string dir = testmedia::MakeTempDir("sdl_tone");
    std::vector<int16_t> captured;
    {
        tonetest::DiskCapture capture(dir + "/out.raw");
        IDirectSound8* ds = nullptr;
        if (DirectSoundCreate8(nullptr, &ds, nullptr) != S_OK || !ds) {
            testmedia::RemoveTree(dir);
            return {};
        }
        WAVEFORMATEX f = Pcm16(rate, channels);
        DSBUFFERDESC d{};
        d.dwSize = 36;
        d.dwFlags = DSBCAPS_GETCURRENTPOSITION2;
        d.dwBufferBytes = static_cast<DWORD>(rate) * f.nBlockAlign;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), S_OK);
        void* p = nullptr;
        DWORD n = 0;
        EXPECT_EQ(b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), S_OK);
        auto* s = static_cast<int16_t*>(p);
        for (int i = 0; i < rate; ++i)
            for (int c = 0; c < channels; ++c)
                s[i * channels + c] = static_cast<int16_t>(
                    std::lrint(amplitude * std::sin(2 * M_PI * freq * i / rate)));
        b->Unlock(p, n, nullptr, 0);
        testsound::CursorTravel played(b, d.dwBufferBytes);
        EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
        // 700 ms of the tone through the output.
        EXPECT_TRUE(WaitUntil([&] { return played.Bytes() >= f.nAvgBytesPerSec * 7 / 10; }, 30000));
        b->Stop();
        b->Release();
        ds->Release();  // closes the output: the capture file is complete
        captured = capture.Samples();
    }
    testmedia::RemoveTree(dir);
    return captured;
}

// Rate conversion is judged by what the listener gets: a pure tone must come out pure,
// whatever the stream's rate. A naive conversion (repeating or dropping samples) puts
// images of the tone only some 20 dB below it; a proper resampler keeps them far down.
TEST(SdlSoundQuality, ToneAtAnotherRateComesOutCleanAndAtItsPitch) {
    struct Case {
        int rate, channels;
        double freq;
    };
    for (Case c : {Case{48000, 2, 5000}, Case{22050, 1, 3000}, Case{44100, 2, 5000}}) {
        std::vector<int16_t> out = PlayToneThroughDisk(c.rate, c.channels, c.freq, 16000);
        if (out.empty())
            GTEST_SKIP() << "SDL has no disk driver here";
        // Skip the first 100 ms (the output starting), then measure 8192 frames.
        ASSERT_GT(out.size(), size_t(2 * (4410 + 8192))) << "captured too little";
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<double> x = tonetest::Channel(out, 2, ch, 4410, 8192);
            const double db = tonetest::DistortionDb(x, 44100, c.freq);
            RecordProperty("distortion_db_" + std::to_string(c.rate) + "_" + std::to_string(ch),
                           std::to_string(db));
            std::printf("tone %g Hz at %d Hz, channel %d: residual %.1f dB\n", c.freq, c.rate, ch,
                        db);
            EXPECT_LT(db, -60.0) << c.rate << " Hz stream, channel " << ch;
            // At the wrong pitch the fit finds (almost) nothing of the tone.
            double peak = 0;
            for (double v : x) peak = std::max(peak, std::abs(v));
            EXPECT_NEAR(peak, 16000, 400) << "level kept";
        }
    }
}

}  // namespace
