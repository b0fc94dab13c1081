// Times process start to the main window's first paint: veltra (with
// VELTRA_EXIT_AFTER_FIRST_PAINT=1) against a minimal Qt window program, alternating runs,
// and prints the medians and their ratio. Target: at most 1.5x the reference.
//
// Runs in a private copy of the program folder with its own HOME, XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR, so it neither touches the user's settings nor meets a running veltra.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;
namespace fs = std::filesystem;

namespace {

double RunOnce(const std::string& program) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    fs::path scratch =
        fs::temp_directory_path() / ("veltra-bench-startup-" + std::to_string(getpid()));
    fs::path bin = scratch / "bin";
    fs::create_directories(bin);
    for (const char* name : {"veltra", "libtunewell.so", "libwavsink.so", "skin.dat"}) {
        std::error_code ec;
        fs::copy_file(fs::path(VELTRA_BIN_DIR) / name, bin / name, ec);
    }
    for (const char* dir : {"home", "config", "runtime"}) fs::create_directories(scratch / dir);
    fs::permissions(scratch / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("HOME", (scratch / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
    setenv("VELTRA_REGISTRY", (scratch / "config" / "registry").c_str(), 1);
    setenv("VELTRA_EXIT_AFTER_FIRST_PAINT", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("VELTRA_FAKE_AUDIO", "1", 0);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::string veltra = (bin / "veltra").string();
    std::string reference = REFERENCE_WINDOW;
    // One warm-up run each so both start from a warm file cache.
    RunOnce(reference);
    RunOnce(veltra);
    std::vector<double> ours, theirs;
    for (int i = 0; i < rounds; ++i) {
        double r = RunOnce(reference);
        double v = RunOnce(veltra);
        if (r < 0 || v < 0) {
            std::fprintf(stderr, "startup: a run failed (reference %.1f, veltra %.1f)\n", r, v);
            fs::remove_all(scratch);
            return 1;
        }
        theirs.push_back(r);
        ours.push_back(v);
    }
    fs::remove_all(scratch);
    double mr = Median(theirs), mv = Median(ours);
    std::printf("startup to first paint, median of %d runs\n", rounds);
    std::printf("  minimal Qt window: %8.1f ms\n", mr);
    std::printf("  veltra:            %8.1f ms\n", mv);
    std::printf("  ratio:             %8.2fx (target <= 1.50x)\n", mr > 0 ? mv / mr : 0.0);
    return 0;
}
