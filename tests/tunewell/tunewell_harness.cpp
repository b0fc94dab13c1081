#include "tests/tunewell/tunewell_harness.h"

#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <mutex>

#include "tests/support/media_factory.h"

namespace {

template <class Fn>
bool Bind(void* module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(module, name));
    return slot != nullptr;
}

std::mutex g_mutex;
std::condition_variable g_cv;
std::vector<Notification> g_all;
std::vector<Notification> g_other;

}  // namespace

bool TunewellApi::Load() {
    std::string path = std::string(VELTRA_BIN_DIR) + "/libtunewell.so";
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return false;
    return Bind(module, "VorbisLibInit", Init) && Bind(module, "VorbisLibOpen", Open) &&
           Bind(module, "VorbisLibClose", Close) && Bind(module, "VorbisLibPlayFile", PlayFile) &&
           Bind(module, "VorbisLibPlay", Play) && Bind(module, "VorbisLibPause", Pause) &&
           Bind(module, "VorbisLibStop", Stop) && Bind(module, "VorbisLibSetTime", SetTime) &&
           Bind(module, "VorbisLibGetTime", GetTime) &&
           Bind(module, "VorbisLibIsActive", IsActive) && Bind(module, "VorbisLibIsPlay", IsPlay) &&
           Bind(module, "VorbisLibIsPause", IsPause) &&
           Bind(module, "VorbisLibWaveDest", WaveDest) &&
           Bind(module, "VorbisLibIsVorbis", IsVorbis) && Bind(module, "VorbisLibGetFile", GetFile);
}

void TunewellApi::Unload() {
    if (module)
        dlclose(module);
    *this = TunewellApi{};
}

std::string TunewellApi::File() const {
    char buffer[kVorbisLibMaxPath];
    GetFile(buffer);
    return buffer;
}

TunewellApi& Tunewell() {
    static TunewellApi api;
    if (!api.module)
        api.Load();
    return api;
}

namespace notes {

int32_t Record(int32_t code, int32_t value, int32_t) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_all.push_back({code, value});
    }
    g_cv.notify_all();
    return 0;
}

int32_t RecordOther(int32_t code, int32_t value, int32_t) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_other.push_back({code, value});
    }
    g_cv.notify_all();
    return 0;
}

void Clear() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_all.clear();
    g_other.clear();
}

std::vector<Notification> All() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_all;
}

std::vector<Notification> Other() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_other;
}

bool WaitEnd(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(g_mutex);
    return g_cv.wait_for(lock, timeout, [] {
        for (auto& n : g_all)
            if (n.code == VL_NOTIFY_END)
                return true;
        return false;
    });
}

bool WaitFirstPosition(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(g_mutex);
    return g_cv.wait_for(lock, timeout, [] {
        for (auto& n : g_all)
            if (n.code == VL_NOTIFY_POSITION)
                return true;
        return false;
    });
}

std::vector<int> Positions() {
    std::vector<int> out;
    for (auto& n : All())
        if (n.code == VL_NOTIFY_POSITION)
            out.push_back(n.value);
    return out;
}

int Ends() {
    int count = 0;
    for (auto& n : All()) count += n.code == VL_NOTIFY_END;
    return count;
}

}  // namespace notes

int OpenHandlesTo(const std::string& fragment) {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (dirent* e = readdir(dir)) {
        std::string link = std::string("/proc/self/fd/") + e->d_name;
        char target[PATH_MAX];
        ssize_t n = readlink(link.c_str(), target, sizeof(target) - 1);
        if (n > 0 && std::string(target, n).find(fragment) != std::string::npos)
            ++count;
    }
    closedir(dir);
    return count;
}

const TestMedia& Media() {
    static TestMedia media = [] {
        TestMedia m;
        m.dir = testmedia::MakeTempDir("tunewell");
        m.oneSecond = testmedia::Tone(m.dir, "one.ogg", 1.0);
        m.threeSeconds = testmedia::Tone(m.dir, "three.ogg", 3.0);
        m.mono22k = testmedia::Tone(m.dir, "mono.ogg", 2.0, 22050, 1);
        // Links need serial numbers of their own, so encode them here rather than
        // trusting two quick encodes to draw different ones.
        std::string wav = testmedia::Tone(m.dir, "link.wav", 1.0, 44100, 2, 880);
        m.secondLink = m.dir + "/second.ogg";
        testmedia::Run("oggenc -Q -s 4242 -o '" + m.secondLink + "' '" + wav + "'");
        m.chained = m.dir + "/chained.ogg";
        testmedia::WriteBytes(
            m.dir, "chained.ogg",
            testmedia::ReadFile(m.threeSeconds) + testmedia::ReadFile(m.secondLink));
        std::string longer = testmedia::Tone(m.dir, "eight.ogg", 8.0);
        long size = static_cast<long>(testmedia::ReadFile(longer).size());
        m.truncated = testmedia::Truncated(longer, m.dir, "cut.ogg", size * 2 / 3);
        m.notOgg = testmedia::Tone(m.dir, "tone.wav", 0.5);
        return m;
    }();
    return media;
}

std::string OggdecPcm(const std::string& ogg) {
    std::string raw = ogg + ".raw";
    if (!testmedia::Run("oggdec -Q -R -o '" + raw + "' '" + ogg + "'"))
        return {};
    std::string pcm = testmedia::ReadFile(raw);
    unlink(raw.c_str());
    return pcm;
}

std::string ChainedPcm() {
    return OggdecPcm(Media().threeSeconds) + OggdecPcm(Media().secondLink);
}

uint32_t Le16(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8;
}

uint32_t Le32(const std::string& s, size_t at) {
    return Le16(s, at) | Le16(s, at + 2) << 16;
}
