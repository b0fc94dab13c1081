// Drives the real program under an X server: a private sandbox per test (its own program
// folder copy, HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and registration store), starting
// and stopping veltra, finding its windows, synthesised input through xdotool and
// screenshots read from xwd dumps.
#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

// True when an X display and the tools are there; tests skip otherwise.
bool DisplayUsable(std::string* why);

// Runs a command line (argv form) to its end; returns its exit code, -1 on failure.
int RunTool(const std::vector<std::string>& argv, std::string* out = nullptr,
            int timeoutMs = 10000);

// Waits until predicate holds or the time-out passes, letting time go by in small steps.
bool WaitFor(const std::function<bool()>& predicate, int timeoutMs);

class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    const std::string& Root() const { return m_root; }
    std::string BinDir() const { return m_root + "/bin"; }
    std::string MediaDir() const { return m_root + "/media"; }
    std::string IniPath() const { return BinDir() + "/plInfo.ini"; }
    QProcessEnvironment Environment() const;
    // Changes to the environment the program starts with (an empty value removes it).
    void SetEnv(const std::string& name, const std::string& value) { m_env[name] = value; }
    bool Ok() const { return m_ok; }

  private:
    std::string m_root;
    bool m_ok = false;
    std::map<std::string, std::string> m_env;
};

class VeltraProcess {
  public:
    // program: the sandbox's copy of the program unless another (an installed one) is named.
    VeltraProcess(const Sandbox& box, const std::vector<std::string>& args,
                  const std::string& program = {});
    ~VeltraProcess();  // kills the program if it still runs

    bool Running() const;
    qint64 Pid() const;
    // Everything the program wrote to stderr so far.
    std::string Log();
    bool WaitForLog(const std::string& needle, int timeoutMs);
    int CountInLog(const std::string& needle);
    bool WaitForExit(int timeoutMs, int* exitCode = nullptr);
    void Kill();

  private:
    std::unique_ptr<QProcess> m_process;
    std::string m_log;
};

constexpr const char* kViewerTitle = "VELTRA Viewer";

// The program's main window once the program reports itself ready (its layout lines hold
// and the start file's rows are in the list); empty when either never comes.
std::string WaitForMainWindow(VeltraProcess& app, int timeoutMs = 15000);

// Window ids of visible windows whose title matches the name exactly (regex anchored).
std::vector<std::string> FindWindows(const std::string& title, qint64 pid = 0);
std::string WaitForWindow(const std::string& title, qint64 pid, int timeoutMs);
bool WindowGone(const std::string& title, qint64 pid);
bool WaitForWindowGone(const std::string& title, qint64 pid, int timeoutMs);
// A visible window of the program with that title (regex) that is none of the known ones:
// a message box captioned like the main window, or a prompt whose title the toolkit picks.
std::string WaitForNewWindow(const std::string& title, qint64 pid,
                             const std::vector<std::string>& known, int timeoutMs);
// Screen geometry of a window (position and size).
QRect WindowGeometry(const std::string& id);

// Input: a left click at window-relative coordinates, a double click, keys to the window
// that has the focus after activating id.
void Click(const std::string& id, QPoint at, int repeat = 1);
// Clicks there with `button` to open a menu (window-relative); the menu's window once it
// shows, empty when none came within the time.
std::string OpenMenu(const std::string& id, QPoint at, qint64 pid, int button = 1,
                     int timeoutMs = 10000);
// Moves the pointer there (window-relative), without a click.
void MoveTo(const std::string& id, QPoint at);
// Presses the left button at `from`, moves through `path` (window-relative, as measured
// when the drag starts) and lets go at its last point.
void Drag(const std::string& id, QPoint from, const std::vector<QPoint>& path);
void Key(const std::string& id, const std::string& keys);
void TypeText(const std::string& id, const std::string& text);
// Types a path into a file or folder prompt and accepts it with Return; true once the
// prompt has gone. A completion list that comes up late may take a Return, and a slow
// program may lose a key while it does: while the prompt stays, the path is typed again
// over the old text and Return pressed again.
bool AnswerPathPrompt(const std::string& prompt, const std::string& path, qint64 pid);
// Keys to whatever holds the keyboard now (an open pop-up menu grabs it), one by one.
void KeyStrokes(const std::vector<std::string>& keys);

// The whole screen, read through xwd (TrueColor visuals of 24 or 32 bits).
QImage Screenshot();
QImage ScreenshotOf(const QRect& rect);
// What the screen shows over a window's rectangle (the root read there, so whatever is
// stacked above the window shows too), read through shared memory.
QImage ScreenOver(const std::string& id);
// One window as it drew itself, read from the window rather than from the screen. Under a
// display without a window manager the screen shows a window that overlaps another as a
// black rectangle although the window itself holds its picture.
QImage WindowShot(const std::string& id);
// The whole screen with every mapped window laid over it from its own picture, bottom to top.
QImage ScreenAsDrawn();

// Control rectangles (window coordinates) from the log lines "<prefix> NAME X Y W H"; the
// prefix is a regular expression.
std::map<std::string, QRect> Rects(const std::string& log, const std::string& prefix);
// The main window's rectangles, from its "layout" lines.
std::map<std::string, QRect> Layout(VeltraProcess& app);
QPoint Centre(const QRect& r);
// A point inside the list's first row (below its header), in window coordinates.
QPoint FirstRow(const std::map<std::string, QRect>& layout);

}  // namespace e2e
