#include "engine/profiles.h"

#include <atomic>
#include <cstdio>

namespace {

struct ProfileTable {
    uint32_t version;
    std::vector<SystemProfile> profiles;
};

SystemProfile P(const char* name, int w, int h, int fps, int videoKbps, int audioKbps, int rate,
                int channels) {
    SystemProfile p;
    p.name = name;
    p.videoWidth = w;
    p.videoHeight = h;
    p.frameRateNum = fps;
    p.frameRateDen = 1;
    p.videoBitrate = videoKbps * 1000;
    p.audioBitrate = audioKbps * 1000;
    p.audioRate = rate;
    p.audioChannels = channels;
    return p;
}

// Order matters: a profile is chosen by its position in the list the user saw.
const std::vector<ProfileTable>& Tables() {
    static const std::vector<ProfileTable> tables = {
        {0x40000,
         {
             P("Video for dial-up modems (28.8 Kbps): 160x120, 8 fps, mono 8 kHz", 160, 120, 8, 20,
               8, 8000, 1),
             P("Video for dial-up modems (56 Kbps): 176x144, 10 fps, mono 11 kHz", 176, 144, 10, 40,
               12, 11025, 1),
             P("Video for ISDN (128 Kbps): 240x176, 15 fps, stereo 22 kHz", 240, 176, 15, 96, 32,
               22050, 2),
             P("Video for broadband (300 Kbps): 320x240, 25 fps, stereo 44 kHz", 320, 240, 25, 236,
               64, 44100, 2),
         }},
        {0x70000,
         {
             P("Video for broadband (256 Kbps): 320x240, 25 fps, stereo 44 kHz", 320, 240, 25, 192,
               64, 44100, 2),
             P("Video for dial-up modems (56 Kbps): 176x144, 15 fps, mono 22 kHz", 176, 144, 15, 40,
               16, 22050, 1),
             P("Video for ISDN (128 Kbps): 240x176, 15 fps, stereo 32 kHz", 240, 176, 15, 96, 32,
               32000, 2),
             P("Video for local networks (512 Kbps): 320x240, 30 fps, stereo 44 kHz", 320, 240, 30,
               416, 96, 44100, 2),
             P("Video for local networks (1 Mbps): 640x480, 30 fps, stereo 44 kHz", 640, 480, 30,
               872, 128, 44100, 2),
             P("Video for high quality (2 Mbps): 640x480, 30 fps, stereo 48 kHz", 640, 480, 30,
               1808, 192, 48000, 2),
         }},
        {0x80000,
         {
             P("Video for broadband (384 Kbps): 320x240, 30 fps, stereo 44 kHz", 320, 240, 30, 320,
               64, 44100, 2),
             P("Video for local networks (768 Kbps): 640x480, 25 fps, stereo 44 kHz", 640, 480, 25,
               640, 128, 44100, 2),
             P("Video for high quality (1.5 Mbps): 720x480, 30 fps, stereo 48 kHz", 720, 480, 30,
               1308, 192, 48000, 2),
         }},
    };
    return tables;
}

std::atomic<uint32_t> g_ProfileVersion{0x70000};

const ProfileTable* TableFor(uint32_t version) {
    for (const ProfileTable& t : Tables())
        if (t.version == version)
            return &t;
    return nullptr;
}

}  // namespace

uint32_t GetProfileVersion() {
    return g_ProfileVersion.load();
}

void SetProfileVersion(uint32_t version) {
    if (TableFor(version))
        g_ProfileVersion = version;
}

BOOL ListProfiles(int selector, std::vector<std::string>* names) {
    // Version 8.0 was offered on one system release only; everywhere else 2 means 7.0.
    if (selector == 2)
        selector = 1;
    if (selector == 0)
        g_ProfileVersion = 0x40000;
    else if (selector == 1)
        g_ProfileVersion = 0x70000;
    const ProfileTable* table = TableFor(g_ProfileVersion);
    if (!table) {
        std::printf("ListProfiles: Failed to set system profile version!  hr=0x%x\n",
                    static_cast<unsigned>(E_INVALIDARG));
        std::fflush(stdout);
        return FALSE;
    }
    std::printf("There are %d system profiles available for version %d.\n",
                static_cast<int>(table->profiles.size()), static_cast<int>(table->version >> 16));
    for (size_t i = 0; i < table->profiles.size(); ++i) {
        std::printf("%3d:  %s\n", static_cast<int>(i), table->profiles[i].name.c_str());
        if (names)
            names->push_back(table->profiles[i].name);
    }
    std::fflush(stdout);
    return TRUE;
}

HRESULT MapProfile(int32_t index, SystemProfile* out) {
    if (!out)
        return E_POINTER;
    *out = SystemProfile();
    const ProfileTable* table = TableFor(g_ProfileVersion);
    if (!table) {
        std::printf("MapProfile: Failed to set system profile version!  hr=0x%x\n",
                    static_cast<unsigned>(E_INVALIDARG));
        std::fflush(stdout);
        return E_INVALIDARG;
    }
    if (static_cast<uint32_t>(index) >= table->profiles.size()) {
        std::printf("Invalid profile: %d\n", index);
        std::fflush(stdout);
        return E_INVALIDARG;
    }
    *out = table->profiles[static_cast<size_t>(index)];
    return S_OK;
}
