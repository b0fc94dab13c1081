// The real program playing a video, against GStreamer's own player, by whole-process CPU
// time: each plays the same generated H.264 file (AVI, 30 fps, with sound) for a stretch of
// N seconds under its own Xvfb whose screen is the video's size, veltra full screen in its
// viewer, gst-launch-1.0 playbin in the window its sink opens at the video's size. Sound
// goes to a synchronised fake output on both sides. Rounds alternate the players; the
// medians count.
//
//   bench_playback_cpu [--seconds N] [--rounds N] [--sizes 720,1080] [--before FOLDER]
//                      [--viewer]
//
// --viewer also measures the default viewer (not full screen) on a 1920x1080 desktop.
// --before names the program folder of an older build, measured the same way in the same
// run.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/bench_support.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

constexpr double kTarget = 1.0;

struct Size {
    int width;
    int height;
};

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Starts argv with the environment changed by env (an empty value removes a name) and its
// output into log; 0 on failure.
pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& log, int keepFd = -1) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq)
            all[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
    }
    for (const auto& [k, v] : env) {
        if (v.empty())
            all.erase(k);
        else
            all[k] = v;
    }
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : all) envStrings.push_back(k + "=" + v);
    std::vector<char*> envp, args;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (auto& s : argCopy) args.push_back(s.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    (void)keepFd;  // inherited as it is: opened without close-on-exec
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

void Stop(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 30; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        SleepMs(50);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// CPU seconds (user and system, all threads) the process has used so far; -1 if gone.
double CpuSeconds(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    std::vector<std::string> fields;
    while (rest >> field) fields.push_back(field);
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    if (fields.size() < 13)
        return -1;
    double ticks = std::stod(fields[11]) + std::stod(fields[12]);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (done())
            return true;
        SleepMs(100);
    }
    return done();
}

// A private X server whose screen is the video's size.
class VirtualScreen {
  public:
    explicit VirtualScreen(Size size) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        std::string screen = std::to_string(size.width) + "x" + std::to_string(size.height) + "x24";
        m_pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                       "-nolisten", "tcp"},
                      {}, "/dev/null", fds[1]);
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty())
            m_name = ":" + number;
    }
    ~VirtualScreen() { Stop(m_pid); }
    const std::string& Name() const { return m_name; }

  private:
    pid_t m_pid = 0;
    std::string m_name;
};

std::string X(const std::string& display, const std::string& args) {
    return Capture("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null");
}

std::string FirstLine(const std::string& s) {
    return s.substr(0, s.find('\n'));
}

struct Result {
    double cpu = -1;
    std::string note;
};

// Samples the process over the stretch.
double Measure(pid_t pid, double seconds) {
    double before = CpuSeconds(pid);
    SleepMs(static_cast<int>(seconds * 1000));
    double after = CpuSeconds(pid);
    return before < 0 || after < 0 ? -1 : after - before;
}

// The program, from a copy of its folder with a home of its own: the file given on its
// command line, opened from the list, its viewer put to full screen.
Result RunVeltra(const std::string& binDir, const std::string& display, const std::string& media,
                 Size size, double seconds, bool fullScreen = true) {
    Result r;
    fs::path root = fs::temp_directory_path() /
                    ("veltra-bench-playback-" + std::to_string(getpid()) + "-" +
                     std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::path bin = root / "bin";
    fs::create_directories(bin);
    for (const char* name : {"veltra", "libtunewell.so", "libwavsink.so", "skin.dat"}) {
        std::error_code ec;
        fs::copy_file(fs::path(binDir) / name, bin / name, ec);
    }
    for (const char* dir : {"home", "config", "runtime"}) fs::create_directories(root / dir);
    fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    const std::string log = (root / "log").string();
    pid_t pid = Spawn({(bin / "veltra").string(), media},
                      {{"DISPLAY", display},
                       {"HOME", (root / "home").string()},
                       {"XDG_CONFIG_HOME", (root / "config").string()},
                       {"XDG_RUNTIME_DIR", (root / "runtime").string()},
                       {"VELTRA_REGISTRY", (root / "config" / "registry").string()},
                       {"GST_PLUGIN_PATH", bin.string()},
                       {"QT_QPA_PLATFORM", "xcb"},
                       {"SDL_AUDIODRIVER", "dummy"},
                       {"VELTRA_FAKE_AUDIO", "1"},
                       {"QT_LOGGING_RULES", "veltra.player.info=true;veltra.video.info=true"}},
                      log);
    auto finish = [&](const std::string& why) {
        if (!why.empty())
            r.note = why;
        Stop(pid);
        std::error_code ec;
        fs::remove_all(root, ec);
        return r;
    };
    if (!pid)
        return finish("cannot start " + (bin / "veltra").string());
    std::string main;
    bool laidOut = WaitFor(
        [&] {
            if (ReadFile(log).find("layout list") == std::string::npos)
                return false;
            main = FirstLine(X(display, "search --all --onlyvisible --pid " + std::to_string(pid) +
                                            " --name '^VELTRA$'"));
            return !main.empty();
        },
        15000);
    if (!laidOut)
        return finish("no main window");
    int lx = 0, ly = 0, lw = 0, lh = 0;
    {
        std::string text = ReadFile(log);
        size_t at = text.find("layout list");
        std::sscanf(text.c_str() + at, "layout list %d %d %d %d", &lx, &ly, &lw, &lh);
    }
    // A double click on the first row opens it, as a user does.
    X(display, "mousemove --window " + main + " " + std::to_string(lx + 40) + " " +
                   std::to_string(ly + 36) + " click --repeat 2 1");
    if (!WaitFor([&] { return ReadFile(log).find("open row 0") != std::string::npos; }, 15000))
        return finish("the row did not open");
    std::string viewer;
    WaitFor(
        [&] {
            viewer = FirstLine(X(display, "search --all --onlyvisible --pid " +
                                              std::to_string(pid) + " --name '^VELTRA Viewer$'"));
            return !viewer.empty();
        },
        5000);
    if (viewer.empty())
        return finish("no viewer");
    SleepMs(500);
    if (!fullScreen) {
        // The default viewer: the window the first video gives it, within the desktop.
        SleepMs(1000);
        r.cpu = Measure(pid, seconds);
        if (ReadFile(log).find("end of row") != std::string::npos)
            r.cpu = -1, r.note = "the file ended inside the stretch";
        std::string g = X(display, "getwindowgeometry --shell " + viewer);
        for (const char* key : {"WIDTH=", "HEIGHT="}) {
            size_t at = g.find(key);
            if (at != std::string::npos)
                r.note += std::string(r.note.empty() ? "viewer " : "x") +
                          g.substr(at + std::strlen(key), g.find('\n', at) - at - std::strlen(key));
        }
        return finish("");
    }
    X(display, "windowfocus --sync " + viewer + " key f");
    const std::string full =
        "WIDTH=" + std::to_string(size.width) + "\nHEIGHT=" + std::to_string(size.height);
    if (!WaitFor(
            [&] {
                std::string g = X(display, "getwindowgeometry --shell " + viewer);
                return g.find("X=0\nY=0\n") != std::string::npos &&
                       g.find(full) != std::string::npos;
            },
            5000))
        return finish("the viewer did not go full screen");
    SleepMs(1000);
    r.cpu = Measure(pid, seconds);
    std::string text = ReadFile(log);
    size_t at = text.find("video through ");
    if (at != std::string::npos)
        r.note = text.substr(at, text.find('\n', at) - at);
    if (ReadFile(log).find("end of row") != std::string::npos)
        r.cpu = -1, r.note = "the file ended inside the stretch";
    return finish("");
}

Result RunPlaybin(const std::string& display, const std::string& media, const std::string& sink,
                  double seconds) {
    Result r;
    const std::string log =
        (fs::temp_directory_path() / ("veltra-bench-playbin-" + std::to_string(getpid()) + ".log"))
            .string();
    pid_t pid = Spawn({"gst-launch-1.0", "playbin", "uri=file://" + media, "video-sink=" + sink,
                       "audio-sink=fakesink sync=true"},
                      {{"DISPLAY", display}}, log);
    if (!pid) {
        r.note = "cannot start gst-launch-1.0";
        return r;
    }
    SleepMs(1500);  // to PLAYING, the window open
    r.cpu = Measure(pid, seconds);
    if (waitpid(pid, nullptr, WNOHANG) == pid)
        r.cpu = -1, r.note = "gst-launch-1.0 ended early: " + ReadFile(log);
    Stop(pid);
    std::error_code ec;
    fs::remove(log, ec);
    return r;
}

std::string Generate(Size size, double seconds) {
    auto frames = static_cast<long>(seconds * 30 + 0.5);
    auto buffers = static_cast<long>(seconds * 44100 / 1470 + 0.5);
    // Moving bars and changing snow, 8-bit 4:2:0 as cameras and downloads have it.
    return bench::GenerateMedia(
        BENCH_MEDIA_DIR, "h264_" + std::to_string(size.height) + "p30.avi",
        "avimux name=m ! filesink location=@OUT@ videotestsrc pattern=smpte horizontal-speed=3 "
        "num-buffers=" +
            std::to_string(frames) + " ! video/x-raw,width=" + std::to_string(size.width) +
            ",height=" + std::to_string(size.height) +
            ",framerate=30/1 ! videoconvert ! video/x-raw,format=I420 ! x264enc "
            "speed-preset=veryfast bitrate=4000 key-int-max=60 ! video/x-h264,profile=high ! "
            "h264parse ! queue ! m. audiotestsrc wave=sine samplesperbuffer=1470 num-buffers=" +
            std::to_string(buffers) +
            " ! audio/x-raw,rate=44100,channels=2,format=S16LE ! queue ! m.");
}

void PrintLine(const char* what, const std::vector<double>& cpu, double reference,
               const std::string& note) {
    double m = bench::Median(cpu);
    std::printf("  %-34s %6.2f s", what, m);
    if (reference > 0)
        std::printf("   %5.2fx", m / reference);
    else
        std::printf("         ");
    std::printf("   runs:");
    for (double c : cpu) std::printf(" %.2f", c);
    if (!note.empty())
        std::printf("   (%s)", note.c_str());
    std::printf("\n");
}

// The default viewer (not full screen) on a 1920x1080 desktop, against playbin showing the
// video at its own size, which is what the viewer gives a video that fits.
bool MeasureDefaultViewer(const std::string& media, Size size, double seconds, int rounds,
                          const std::string& before) {
    VirtualScreen screen({1920, 1080});
    if (screen.Name().empty())
        return false;
    std::vector<double> ours, old, reference;
    std::string ourNote, oldNote;
    for (int round = 0; round < rounds; ++round) {
        Result x = RunPlaybin(screen.Name(), media, "ximagesink", seconds);
        Result v = RunVeltra(VELTRA_BIN_DIR, screen.Name(), media, size, seconds, false);
        Result b = before.empty() ? Result{}
                                  : RunVeltra(before, screen.Name(), media, size, seconds, false);
        if (x.cpu >= 0)
            reference.push_back(x.cpu);
        if (v.cpu >= 0)
            ours.push_back(v.cpu), ourNote = v.note;
        else
            std::fprintf(stderr, "  a run failed: %s\n", v.note.c_str());
        if (b.cpu >= 0)
            old.push_back(b.cpu), oldNote = b.note;
    }
    std::printf("%dx%d in the default viewer on a 1920x1080 desktop (median of %d)\n", size.width,
                size.height, rounds);
    if (ours.empty() || reference.empty()) {
        std::printf("  no complete run\n");
        return false;
    }
    const double ref = bench::Median(reference);
    PrintLine("playbin + ximagesink", reference, 0, "reference, own size");
    PrintLine("veltra, default viewer", ours, ref, ourNote);
    if (!old.empty())
        PrintLine("veltra before, default viewer", old, ref, oldNote);
    const double ratio = bench::Median(ours) / ref;
    std::printf("  veltra viewer / playbin + ximagesink: %.2fx (target <= %.2fx) %s\n", ratio,
                kTarget, ratio <= kTarget ? "ok" : "OVER TARGET");
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 15;
    int rounds = 3;
    std::string before;
    bool viewerToo = false;
    std::vector<Size> sizes = {{1280, 720}, {1920, 1080}};
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--seconds") {
            seconds = std::atof(next().c_str());
        } else if (a == "--rounds") {
            rounds = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--viewer") {
            viewerToo = true;
        } else if (a == "--before") {
            before = next();
        } else if (a == "--sizes") {
            sizes.clear();
            std::string list = next();
            if (list.find("720") != std::string::npos)
                sizes.push_back({1280, 720});
            if (list.find("1080") != std::string::npos)
                sizes.push_back({1920, 1080});
        } else {
            std::fprintf(stderr,
                         "usage: %s [--seconds N] [--rounds N] [--sizes 720,1080] "
                         "[--before FOLDER] [--viewer]\n",
                         argv[0]);
            return 2;
        }
    }
    for (const char* tool : {"Xvfb", "xdotool", "gst-launch-1.0"}) {
        if (std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()) != 0) {
            std::printf("bench_playback_cpu: %s is not installed; nothing measured\n", tool);
            return 0;
        }
    }
    int failures = 0;
    for (Size size : sizes) {
        // Long enough for the stretch after the program has started and gone full screen.
        std::string media = Generate(size, seconds + 15);
        if (media.empty()) {
            std::fprintf(stderr, "bench_playback_cpu: cannot generate the media\n");
            return 1;
        }
        VirtualScreen screen(size);
        if (screen.Name().empty()) {
            std::fprintf(stderr, "bench_playback_cpu: Xvfb did not start\n");
            return 1;
        }
        std::vector<double> ours, old, xImage, automatic;
        std::string ourNote, oldNote, autoNote;
        for (int round = 0; round < rounds; ++round) {
            Result x = RunPlaybin(screen.Name(), media, "ximagesink", seconds);
            Result v = RunVeltra(VELTRA_BIN_DIR, screen.Name(), media, size, seconds);
            Result b =
                before.empty() ? Result{} : RunVeltra(before, screen.Name(), media, size, seconds);
            Result a = RunPlaybin(screen.Name(), media, "autovideosink", seconds);
            for (const Result* res : {&x, &v, &a})
                if (res->cpu < 0)
                    std::fprintf(stderr, "  a run failed: %s\n", res->note.c_str());
            if (x.cpu >= 0)
                xImage.push_back(x.cpu);
            if (v.cpu >= 0)
                ours.push_back(v.cpu), ourNote = v.note;
            if (b.cpu >= 0)
                old.push_back(b.cpu), oldNote = b.note;
            if (a.cpu >= 0)
                automatic.push_back(a.cpu);
        }
        std::printf(
            "%dx%d H.264, 30 fps, AVI: whole-process CPU over %.0f s, window %dx%d "
            "(median of %d)\n",
            size.width, size.height, seconds, size.width, size.height, rounds);
        if (ours.empty() || xImage.empty()) {
            std::printf("  no complete run\n");
            ++failures;
            continue;
        }
        double reference = bench::Median(xImage);
        PrintLine("playbin + ximagesink", xImage, 0, "reference");
        if (!automatic.empty())
            PrintLine("playbin + autovideosink", automatic, reference, "");
        PrintLine("veltra, viewer full screen", ours, reference, ourNote);
        if (!old.empty())
            PrintLine("veltra before, full screen", old, reference, oldNote);
        double ratio = bench::Median(ours) / reference;
        std::printf("  veltra / playbin + ximagesink: %.2fx (target <= %.2fx) %s\n", ratio, kTarget,
                    ratio <= kTarget ? "ok" : "OVER TARGET");
        std::fflush(stdout);
        if (viewerToo)
            failures += MeasureDefaultViewer(media, size, seconds, rounds, before) ? 0 : 1;
    }
    return failures ? 1 : 0;
}
