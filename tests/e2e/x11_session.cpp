#include "tests/e2e/x11_session.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/media_factory.h"

namespace fs = std::filesystem;

namespace e2e {

bool DisplayUsable(std::string* why) {
    if (!std::getenv("DISPLAY")) {
        *why = "no X display (run the suite under xvfb-run)";
        return false;
    }
    if (!fs::exists(fs::path(VELTRA_BIN_DIR) / "veltra")) {
        *why = "the program is not built";
        return false;
    }
    for (const char* tool : {"xdotool", "xwd"}) {
        if (RunTool({"sh", "-c", std::string("command -v ") + tool + " >/dev/null"}) != 0) {
            *why = std::string(tool) + " is missing";
            return false;
        }
    }
    return true;
}

int RunTool(const std::vector<std::string>& argv, std::string* out, int timeoutMs) {
    if (argv.empty())
        return -1;
    QProcess p;
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    p.setProcessChannelMode(out ? QProcess::SeparateChannels : QProcess::MergedChannels);
    p.start(QString::fromStdString(argv[0]), args);
    if (!p.waitForStarted(timeoutMs))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput().toStdString();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool WaitFor(const std::function<bool()>& predicate, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (true) {
        if (predicate())
            return true;
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
}

Sandbox::Sandbox() {
    m_root = testmedia::MakeTempDir("e2e");
    if (m_root.empty())
        return;
    std::error_code ec;
    fs::create_directories(BinDir(), ec);
    fs::create_directories(MediaDir(), ec);
    for (const char* d : {"home", "config", "runtime"})
        fs::create_directories(fs::path(m_root) / d, ec);
    fs::permissions(fs::path(m_root) / "runtime", fs::perms::owner_all, fs::perm_options::replace,
                    ec);
    // A copy of the program folder, so the settings file the program writes stays here.
    for (const auto& entry : fs::directory_iterator(VELTRA_BIN_DIR, ec)) {
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), fs::path(BinDir()) / entry.path().filename(), ec);
    }
    m_ok = fs::exists(fs::path(BinDir()) / "veltra");
}

Sandbox::~Sandbox() {
    testmedia::RemoveTree(m_root);
}

QProcessEnvironment Sandbox::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    auto set = [&](const char* k, const std::string& v) {
        env.insert(k, QString::fromStdString(v));
    };
    set("HOME", m_root + "/home");
    set("XDG_CONFIG_HOME", m_root + "/config");
    set("XDG_RUNTIME_DIR", m_root + "/runtime");
    set("VELTRA_REGISTRY", m_root + "/config/registry");
    set("GST_PLUGIN_PATH", BinDir());
    set("QT_QPA_PLATFORM", "xcb");
    set("SDL_AUDIODRIVER", "dummy");
    set("VELTRA_FAKE_AUDIO", "1");
    // The checks read the Japanese texts; a check of another language sets its own.
    set("VELTRA_LANG", "ja");
    set("QT_LOGGING_RULES", "veltra.*.info=true");
    env.remove("VELTRA_EXIT_AFTER_FIRST_PAINT");
    for (const auto& [name, value] : m_env) {
        if (value.empty())
            env.remove(QString::fromStdString(name));
        else
            set(name.c_str(), value);
    }
    return env;
}

VeltraProcess::VeltraProcess(const Sandbox& box, const std::vector<std::string>& args,
                             const std::string& program)
    : m_process(std::make_unique<QProcess>()) {
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    m_process->setProcessEnvironment(box.Environment());
    m_process->setWorkingDirectory(QString::fromStdString(box.MediaDir()));
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(QString::fromStdString(program.empty() ? box.BinDir() + "/veltra" : program),
                     list);
    m_process->waitForStarted(5000);
}

VeltraProcess::~VeltraProcess() {
    Kill();
}

bool VeltraProcess::Running() const {
    return m_process->state() != QProcess::NotRunning;
}
qint64 VeltraProcess::Pid() const {
    return m_process->processId();
}

std::string VeltraProcess::Log() {
    m_process->waitForReadyRead(0);
    m_log += m_process->readAll().toStdString();
    return m_log;
}

bool VeltraProcess::WaitForLog(const std::string& needle, int timeoutMs) {
    return WaitFor([&] { return Log().find(needle) != std::string::npos; }, timeoutMs);
}

std::string WaitForMainWindow(VeltraProcess& app, int timeoutMs) {
    std::string id = WaitForWindow("VELTRA", app.Pid(), timeoutMs);
    if (id.empty() || !app.WaitForLog("veltra.player: ready", 10000))
        return {};
    return id;
}

int VeltraProcess::CountInLog(const std::string& needle) {
    std::string log = Log();
    int n = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
}

bool VeltraProcess::WaitForExit(int timeoutMs, int* exitCode) {
    bool done = WaitFor([&] { return !Running(); }, timeoutMs);
    Log();
    if (done && exitCode)
        *exitCode = m_process->exitCode();
    return done;
}

void VeltraProcess::Kill() {
    if (Running()) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

std::vector<std::string> FindWindows(const std::string& title, qint64 pid) {
    std::vector<std::string> argv = {"xdotool", "search", "--all", "--onlyvisible"};
    if (pid > 0) {
        argv.push_back("--pid");
        argv.push_back(std::to_string(pid));
    }
    argv.push_back("--name");
    argv.push_back("^" + title + "$");
    std::string out;
    RunTool(argv, &out);
    std::vector<std::string> ids;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            ids.push_back(line);
    return ids;
}

std::string WaitForWindow(const std::string& title, qint64 pid, int timeoutMs) {
    std::string id;
    WaitFor(
        [&] {
            auto ids = FindWindows(title, pid);
            if (!ids.empty())
                id = ids.front();
            return !id.empty();
        },
        timeoutMs);
    return id;
}

bool WindowGone(const std::string& title, qint64 pid) {
    return FindWindows(title, pid).empty();
}

bool WaitForWindowGone(const std::string& title, qint64 pid, int timeoutMs) {
    return WaitFor([&] { return WindowGone(title, pid); }, timeoutMs);
}

std::string WaitForNewWindow(const std::string& title, qint64 pid,
                             const std::vector<std::string>& known, int timeoutMs) {
    std::string id;
    WaitFor(
        [&] {
            for (const std::string& candidate : FindWindows(title, pid)) {
                if (std::find(known.begin(), known.end(), candidate) == known.end()) {
                    id = candidate;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return id;
}

QRect WindowGeometry(const std::string& id) {
    std::string out;
    if (RunTool({"xdotool", "getwindowgeometry", "--shell", id}, &out) != 0)
        return {};
    int x = 0, y = 0, w = 0, h = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X")
            x = value;
        else if (key == "Y")
            y = value;
        else if (key == "WIDTH")
            w = value;
        else if (key == "HEIGHT")
            h = value;
    }
    return QRect(x, y, w, h);
}

void Click(const std::string& id, QPoint at, int repeat) {
    RunTool({"xdotool", "mousemove", "--window", id, std::to_string(at.x()), std::to_string(at.y()),
             "click", "--repeat", std::to_string(repeat), "--delay", "60", "1"});
    QThread::msleep(150);
}

std::string OpenMenu(const std::string& id, QPoint at, qint64 pid, int button, int timeoutMs) {
    const std::vector<std::string> before = FindWindows(".*", pid);
    RunTool({"xdotool", "mousemove", "--window", id, std::to_string(at.x()), std::to_string(at.y()),
             "click", std::to_string(button)});
    // A new window of the program, not the tool tip that hovering may bring up.
    std::string menu;
    WaitFor(
        [&] {
            for (const std::string& candidate : FindWindows(".*", pid)) {
                if (std::find(before.begin(), before.end(), candidate) != before.end())
                    continue;
                std::string type;
                RunTool({"xprop", "-id", candidate, "_NET_WM_WINDOW_TYPE"}, &type);
                if (type.find("TOOLTIP") == std::string::npos) {
                    menu = candidate;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return menu;
}

void MoveTo(const std::string& id, QPoint at) {
    RunTool(
        {"xdotool", "mousemove", "--window", id, std::to_string(at.x()), std::to_string(at.y())});
    QThread::msleep(150);
}

void Drag(const std::string& id, QPoint from, const std::vector<QPoint>& path) {
    // Screen coordinates throughout: the window moves and grows under the pointer.
    const QPoint origin = WindowGeometry(id).topLeft();
    auto at = [&](QPoint p) {
        return std::vector<std::string>{std::to_string(origin.x() + p.x()),
                                        std::to_string(origin.y() + p.y())};
    };
    std::vector<std::string> start = {"xdotool", "mousemove"};
    for (const std::string& c : at(from)) start.push_back(c);
    start.insert(start.end(), {"mousedown", "1"});
    RunTool(start);
    for (QPoint p : path) {
        QThread::msleep(120);
        std::vector<std::string> move = {"xdotool", "mousemove"};
        for (const std::string& c : at(p)) move.push_back(c);
        RunTool(move);
    }
    QThread::msleep(150);
    RunTool({"xdotool", "mouseup", "1"});
    QThread::msleep(200);
}

void Key(const std::string& id, const std::string& keys) {
    RunTool({"xdotool", "windowfocus", "--sync", id});
    RunTool({"xdotool", "key", "--clearmodifiers", keys});
    QThread::msleep(150);
}

void TypeText(const std::string& id, const std::string& text) {
    RunTool({"xdotool", "windowfocus", "--sync", id});
    // A sanitizer build of the program is slow enough that the file dialog's completer,
    // popping up while a path is typed, can swallow a key sent at the usual pace.
#ifdef __SANITIZE_ADDRESS__
    RunTool({"xdotool", "type", "--delay", "80", text});
#else
    RunTool({"xdotool", "type", "--delay", "20", text});
#endif
    QThread::msleep(150);
}

bool AnswerPathPrompt(const std::string& prompt, const std::string& path, qint64 pid) {
    auto gone = [&](int ms) {
        return WaitFor(
            [&] {
                auto ids = FindWindows(".*", pid);
                return std::find(ids.begin(), ids.end(), prompt) == ids.end();
            },
            ms);
    };
    TypeText(prompt, path);
    Key(prompt, "Return");
    if (gone(2000))
        return true;
    Key(prompt, "Return");  // a completion list took the first
    if (gone(2000))
        return true;
    Key(prompt, "ctrl+a");  // a key was lost: the whole path again
    TypeText(prompt, path);
    Key(prompt, "Return");
    return gone(3000);
}

void KeyStrokes(const std::vector<std::string>& keys) {
    std::vector<std::string> argv = {"xdotool", "key", "--delay", "120"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    RunTool(argv);
    QThread::msleep(150);
}

namespace {

uint32_t Be32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

int Shift(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

// An xwd dump of the root window or of one window (TrueColor, 24 or 32 bits) as an image.
QImage Xwd(const QStringList& target) {
    QProcess p;
    p.start("xwd", QStringList(target) << "-silent");
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    QByteArray data = p.readAllStandardOutput();
    if (data.size() < 100)
        return {};
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    auto field = [&](int i) { return Be32(d + 4 * i); };
    uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5);
    uint32_t byteOrder = field(7), bpp = field(11), bytesPerLine = field(12);
    uint32_t redMask = field(14), greenMask = field(15), blueMask = field(16), ncolors = field(19);
    if (format != 2 || (bpp != 32 && bpp != 24))
        return {};
    size_t offset = headerSize + size_t(ncolors) * 12;
    if (size_t(data.size()) < offset + size_t(bytesPerLine) * height)
        return {};
    QImage img(int(width), int(height), QImage::Format_RGB32);
    int rs = Shift(redMask), gs = Shift(greenMask), bs = Shift(blueMask);
    int bytes = int(bpp / 8);
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = d + offset + size_t(y) * bytesPerLine;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        for (uint32_t x = 0; x < width; ++x) {
            const unsigned char* px = row + x * bytes;
            uint32_t v = 0;
            for (int b = 0; b < bytes; ++b)
                v |= byteOrder == 0 ? uint32_t(px[b]) << (8 * b)
                                    : uint32_t(px[b]) << (8 * (bytes - 1 - b));
            out[x] = qRgb(int((v & redMask) >> rs), int((v & greenMask) >> gs),
                          int((v & blueMask) >> bs));
        }
    }
    return img;
}

}  // namespace

QImage Screenshot() {
    return Xwd({"-root"});
}

QImage WindowShot(const std::string& id) {
    return Xwd({"-id", QString::fromStdString(id)});
}

QImage ScreenAsDrawn() {
    QImage screen = Screenshot();
    if (screen.isNull())
        return screen;
    std::string out;
    if (RunTool({"xwininfo", "-root", "-children"}, &out) != 0)
        return screen;
    // Listed topmost first; each is laid over the ones below it.
    static const QRegularExpression line(
        R"(^\s*(0x[0-9a-f]+) .*\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$)");
    const QStringList lines = QString::fromStdString(out).split('\n');
    QPainter painter(&screen);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QRegularExpressionMatch m = line.match(*it);
        if (!m.hasMatch() || m.captured(2).toInt() <= 3 || m.captured(3).toInt() <= 3)
            continue;
        const QImage window = WindowShot(m.captured(1).toStdString());
        if (!window.isNull())
            painter.drawImage(QPoint(m.captured(4).toInt(), m.captured(5).toInt()), window);
    }
    return screen;
}

QImage ScreenOver(const std::string& id) {
    // Read through the shared-memory path (ffmpeg's X grabber): a plain GetImage of the
    // root, as xwd does it, hands back black on this X server for a window mapped after
    // the first, where the frame buffer and a shared-memory read show it drawn.
    const QRect r = WindowGeometry(id);
    const char* display = std::getenv("DISPLAY");
    if (r.isEmpty() || !display)
        return {};
    QProcess p;
    p.start("ffmpeg", {"-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-video_size",
                       QStringLiteral("%1x%2").arg(r.width()).arg(r.height()), "-i",
                       QStringLiteral("%1+%2,%3").arg(display).arg(r.x()).arg(r.y()), "-frames:v",
                       "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"});
    if (!p.waitForFinished(15000))
        return {};
    const QByteArray data = p.readAllStandardOutput();
    if (data.size() != qsizetype(r.width()) * r.height() * 3)
        return {};
    QImage img(r.width(), r.height(), QImage::Format_RGB32);
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    for (int y = 0; y < r.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < r.width(); ++x, d += 3) out[x] = qRgb(d[0], d[1], d[2]);
    }
    return img;
}

QImage ScreenshotOf(const QRect& rect) {
    // xwd now and then gives up on a screen whose windows are changing; a second look
    // reads it.
    QImage all;
    for (int attempt = 0; attempt < 3 && all.isNull(); ++attempt) all = Screenshot();
    return all.isNull() ? all : all.copy(rect);
}

std::map<std::string, QRect> Rects(const std::string& log, const std::string& prefix) {
    std::map<std::string, QRect> out;
    const QRegularExpression line(QString::fromStdString(prefix) +
                                  R"( (\w+) (-?\d+) (-?\d+) (\d+) (\d+))");
    for (const auto& m : line.globalMatch(QString::fromStdString(log)))
        out[m.captured(1).toStdString()] = QRect(m.captured(2).toInt(), m.captured(3).toInt(),
                                                 m.captured(4).toInt(), m.captured(5).toInt());
    return out;
}

std::map<std::string, QRect> Layout(VeltraProcess& app) {
    return Rects(app.Log(), "layout");
}

QPoint Centre(const QRect& r) {
    return QPoint(r.x() + r.width() / 2, r.y() + r.height() / 2);
}

QPoint FirstRow(const std::map<std::string, QRect>& layout) {
    const auto list = layout.find("list");
    const QRect r = list == layout.end() ? QRect() : list->second;
    return QPoint(r.x() + 40, r.y() + 36);
}

}  // namespace e2e
