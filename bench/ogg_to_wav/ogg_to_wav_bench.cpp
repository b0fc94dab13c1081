// Ogg to WAV through libtunewell against oggdec on the same generated file, and the CPU
// time of playing into the program's sound device (SDL, dummy driver) when it is built.
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sdl_sound.h"
#include "tunewell/tunewell.h"

namespace {

std::mutex g_mutex;
std::condition_variable g_cv;
bool g_ended = false;

int32_t OnNotify(int32_t code, int32_t, int32_t) {
    if (code == VL_NOTIFY_END) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_ended = true;
        g_cv.notify_all();
    }
    return 0;
}

void WaitEnd() {
    std::unique_lock<std::mutex> lock(g_mutex);
    g_cv.wait(lock, [] { return g_ended; });
    g_ended = false;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

template <class Fn>
Fn Symbol(void* module, const char* name) {
    return reinterpret_cast<Fn>(dlsym(module, name));
}

}  // namespace

int main(int argc, char** argv) {
    int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    std::string dir = (std::filesystem::temp_directory_path() / "veltra-ogg-bench").string();
    std::filesystem::create_directories(dir);
    std::string ogg = dir + "/long.ogg";
    std::string source = dir + "/long.wav";
    std::printf("generating a %d-minute 44.1 kHz stereo Ogg...\n", minutes);
    std::fflush(stdout);
    int buffers = minutes * 60 * 10;
    if (!Shell("gst-launch-1.0 -q audiotestsrc wave=pink-noise num-buffers=" +
               std::to_string(buffers) +
               " samplesperbuffer=4410 ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! "
               "wavenc ! filesink location='" +
               source + "' >/dev/null 2>&1") ||
        !Shell("oggenc -Q -o '" + ogg + "' '" + source + "'")) {
        std::fprintf(stderr, "cannot generate the test file\n");
        return 1;
    }
    std::filesystem::remove(source);

    std::string lib = std::string(VELTRA_BIN_DIR) + "/libtunewell.so";
    void* module = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "cannot load %s\n", lib.c_str());
        return 1;
    }
    auto init = Symbol<VorbisLibInitFn>(module, "VorbisLibInit");
    auto open = Symbol<VorbisLibOpenFn>(module, "VorbisLibOpen");
    auto close = Symbol<VorbisLibCloseFn>(module, "VorbisLibClose");
    auto play = Symbol<VorbisLibPlayFn>(module, "VorbisLibPlay");
    auto waveDest = Symbol<VorbisLibWaveDestFn>(module, "VorbisLibWaveDest");

    // Each side runs twice and its better time counts, so neither pays alone for a cold cache.
    double ours = 1e9, reference = 1e9;
    for (int round = 0; round < 2; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        Shell("oggdec -Q -o '" + dir + "/ref.wav' '" + ogg + "'");
        reference = std::min(reference, Seconds(std::chrono::steady_clock::now() - t0));

        init(nullptr, OnNotify);
        double total = 0;
        if (!open(ogg.c_str(), &total)) {
            std::fprintf(stderr, "tunewell cannot open the file\n");
            return 1;
        }
        t0 = std::chrono::steady_clock::now();
        if (!waveDest((dir + "/ours.wav").c_str(), 100, nullptr, nullptr)) {
            std::fprintf(stderr, "VorbisLibWaveDest refused\n");
            return 1;
        }
        WaitEnd();
        ours = std::min(ours, Seconds(std::chrono::steady_clock::now() - t0));
        close();
    }
    std::printf("ogg -> wav, %d min: tunewell %.3f s, oggdec %.3f s, ratio %.3f (target <= 1.1)\n",
                minutes, ours, reference, ours / reference);

    IDirectSound8* device = nullptr;
    if (SUCCEEDED(DirectSoundCreate8(nullptr, &device, nullptr)) && device) {
        init(device, OnNotify);
        open(ogg.c_str(), nullptr);
        double cpu0 = CpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        play();
        std::this_thread::sleep_for(std::chrono::seconds(30));
        close();
        double wall = Seconds(std::chrono::steady_clock::now() - t0);
        double cpu = CpuSeconds() - cpu0;
        std::printf("playback on the SDL device (%s driver): %.1f s wall, %.3f s CPU (%.2f %%)\n",
                    std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "default",
                    wall, cpu, 100.0 * cpu / wall);
        init(nullptr, nullptr);
        device->Release();
    } else {
        std::printf("playback: no SDL audio output\n");
    }
    dlclose(module);
    std::filesystem::remove_all(dir);
    return 0;
}
