// Times process start to the main window's first paint (the line its log writes then)
// against a minimal Qt window program that writes the same line, alternating runs, and
// prints the medians and their ratio. Target: at most 1.5x the reference.
//
// Measured on a display (a private Xvfb, as a desktop has one) and offscreen, each with a
// private session bus, which the program's media controls register on once the window is
// painted: how long after the start they answer is printed too, and what loading Qt's
// Japanese translation costs.
//
//   bench_startup [rounds] [--before FOLDER]
//
// --before names the program folder of an older build, timed the same way in the same run.
// Runs in a private copy of the program folder with its own HOME, XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR, so it neither touches the user's settings nor meets a running veltra.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;
namespace fs = std::filesystem;

namespace {

constexpr double kTarget = 1.5;
// The program's log says "first paint" in this category.
constexpr const char* kPaintLogRule = "veltra.player.info=true";

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

pid_t Start(const std::string& program, const std::string& log, int keepFd = -1) {
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    (void)keepFd;  // inherited as it is: opened without close-on-exec
    int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Start until the program's output says `marker`; -1 when it never does within 10 s. The
// program is ended then: its teardown is not part of what is timed.
double UntilOutputSays(const std::string& program, const std::string& log, const char* marker) {
    auto start = Clock::now();
    pid_t pid = Start(program, log);
    double ms = -1;
    while (pid && Ms(start) < 10000) {
        if (ReadFile(log).find(marker) != std::string::npos) {
            ms = Ms(start);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return ms;
}

double ToFirstPaint(const std::string& program, const fs::path& scratch) {
    return UntilOutputSays(program, (scratch / "paint.log").string(), "first paint");
}

// Start until the media controls are registered on the session bus; -1 when they never are.
double ToMediaControls(const std::string& program, const fs::path& scratch) {
    setenv("QT_LOGGING_RULES", "veltra.mpris.info=true", 1);
    double ms = UntilOutputSays(program, (scratch / "mpris.log").string(), "registered as");
    setenv("QT_LOGGING_RULES", kPaintLogRule, 1);
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A helper process (Xvfb, dbus-daemon) that writes what to reach it by on a pipe.
class Helper {
  public:
    Helper(std::vector<std::string> argv, const std::string& fdFlag) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        argv.push_back(fdFlag);
        argv.push_back(std::to_string(fds[1]));
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char c;
        while (m_pid && read(fds[0], &c, 1) == 1 && c != '\n') m_answer += c;
        close(fds[0]);
    }
    ~Helper() {
        if (m_pid) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Answer() const { return m_answer; }

  private:
    pid_t m_pid = 0;
    std::string m_answer;
};

struct Figures {
    double reference = 0, ours = 0, before = 0, controls = -1;
};

Figures Measure(const std::string& reference, const std::string& veltra, const std::string& before,
                int rounds, const fs::path& scratch) {
    Figures f;
    auto RunOnce = [&](const std::string& program) { return ToFirstPaint(program, scratch); };
    // One warm-up run each so all start from a warm file cache.
    RunOnce(reference);
    RunOnce(veltra);
    if (!before.empty())
        RunOnce(before);
    std::vector<double> ours, theirs, old, controls;
    for (int i = 0; i < rounds; ++i) {
        double r = RunOnce(reference);
        double v = RunOnce(veltra);
        double b = before.empty() ? 0 : RunOnce(before);
        if (r < 0 || v < 0 || b < 0) {
            std::fprintf(stderr, "startup: a run failed (reference %.1f, veltra %.1f)\n", r, v);
            continue;
        }
        theirs.push_back(r);
        ours.push_back(v);
        old.push_back(b);
    }
    for (int i = 0; i < std::min(rounds, 5); ++i)
        if (double c = ToMediaControls(veltra, scratch); c >= 0)
            controls.push_back(c);
    f.reference = Median(theirs);
    f.ours = Median(ours);
    f.before = Median(old);
    f.controls = controls.empty() ? -1 : Median(controls);
    return f;
}

void Print(const char* where, const Figures& f, bool withBefore) {
    std::printf("%s:\n", where);
    std::printf("  minimal Qt window:     %8.1f ms\n", f.reference);
    std::printf("  veltra:                %8.1f ms\n", f.ours);
    std::printf("  ratio:                 %8.2fx (target <= %.2fx) %s\n",
                f.reference > 0 ? f.ours / f.reference : 0.0, kTarget,
                f.reference > 0 && f.ours / f.reference <= kTarget ? "ok" : "OVER TARGET");
    if (withBefore)
        std::printf("  veltra before:         %8.1f ms (%.2fx)\n", f.before,
                    f.reference > 0 ? f.before / f.reference : 0.0);
    if (f.controls >= 0)
        std::printf("  media controls on the session bus after %.1f ms\n", f.controls);
    else
        std::printf("  media controls: not registered (no session bus?)\n");
}

// Qt's Japanese translation, loaded as the program loads it at start.
double TranslationMs() {
    int argc = 1;
    char name[] = "bench_startup";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        auto start = Clock::now();
        QTranslator translator;
        bool ok = translator.load(QStringLiteral("qtbase_ja"), folder) &&
                  QCoreApplication::installTranslator(&translator);
        times.push_back(ok ? Ms(start) : -1);
        QCoreApplication::removeTranslator(&translator);
    }
    return Median(times);
}

void CopyProgram(const std::string& from, const fs::path& to) {
    fs::create_directories(to);
    for (const char* name : {"veltra", "libtunewell.so", "libwavsink.so", "skin.dat"}) {
        std::error_code ec;
        fs::copy_file(fs::path(from) / name, to / name, fs::copy_options::overwrite_existing, ec);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 9;
    std::string beforeFolder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc)
            beforeFolder = argv[++i];
        else if (std::atoi(argv[i]) > 0)
            rounds = std::atoi(argv[i]);
    }
    fs::path scratch =
        fs::temp_directory_path() / ("veltra-bench-startup-" + std::to_string(getpid()));
    CopyProgram(VELTRA_BIN_DIR, scratch / "bin");
    if (!beforeFolder.empty())
        CopyProgram(beforeFolder, scratch / "before");
    for (const char* dir : {"home", "config", "runtime"}) fs::create_directories(scratch / dir);
    fs::permissions(scratch / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("HOME", (scratch / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
    setenv("VELTRA_REGISTRY", (scratch / "config" / "registry").c_str(), 1);
    setenv("QT_LOGGING_RULES", kPaintLogRule, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("VELTRA_FAKE_AUDIO", "1", 0);

    const std::string veltra = (scratch / "bin" / "veltra").string();
    const std::string before = beforeFolder.empty() ? "" : (scratch / "before" / "veltra").string();
    const std::string reference = REFERENCE_WINDOW;
    std::printf("startup to first paint, median of %d runs\n", rounds);
    std::printf("Qt's Japanese translation loads in %.2f ms\n", TranslationMs());

    Helper bus({"dbus-daemon", "--session", "--nofork"}, "--print-address");
    if (!bus.Answer().empty())
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.Answer().c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    {
        Helper screen({"Xvfb", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, "-displayfd");
        if (!screen.Answer().empty()) {
            setenv("DISPLAY", (":" + screen.Answer()).c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            Print("on a display (Xvfb)", Measure(reference, veltra, before, rounds, scratch),
                  !before.empty());
        } else {
            std::printf("on a display: Xvfb is not installed; not measured\n");
        }
    }
    unsetenv("DISPLAY");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Print("offscreen", Measure(reference, veltra, before, rounds, scratch), !before.empty());
    fs::remove_all(scratch);
    return 0;
}
