// Renders the three skinned windows offscreen at their default sizes:
//
//     skinshot OUT_FOLDER [SKIN_FILE]
//
// writes OUT_FOLDER/main.png, editor.png and viewer.png. The windows remember their
// placement in the program folder, so the tool runs a copy of itself from a scratch
// folder: no settings are read from or written to the real one.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_dialog.h"
#include "platform/module_folder.h"
#include "player/main_window.h"
#include "player/main_window_composition.h"
#include "player/viewer_window.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

constexpr const char* kChildFlag = "VELTRA_SKINSHOT_CHILD";

void PutLE(std::ofstream& f, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.put(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A short mono tone, enough for the list and the editor's preview to have something real.
bool WriteTone(const fs::path& path, double seconds, double hz) {
    const uint32_t rate = 22050, frames = static_cast<uint32_t>(rate * seconds);
    std::ofstream f(path, std::ios::binary);
    f.write("RIFF", 4);
    PutLE(f, 36 + frames * 2, 4);
    f.write("WAVEfmt ", 8);
    PutLE(f, 16, 4);
    PutLE(f, 1, 2);
    PutLE(f, 1, 2);
    PutLE(f, rate, 4);
    PutLE(f, rate * 2, 4);
    PutLE(f, 2, 2);
    PutLE(f, 16, 2);
    f.write("data", 4);
    PutLE(f, frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i)
        PutLE(
            f,
            static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / rate))),
            2);
    return static_cast<bool>(f);
}

// A small evening harbour scene: sky, sun, sea and a lighthouse.
bool WritePicture(const fs::path& path) {
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 160);
    sky.setColorAt(0, QColor(40, 70, 140));
    sky.setColorAt(1, QColor(250, 190, 120));
    p.fillRect(QRect(0, 0, 320, 160), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 225, 150));
    p.drawEllipse(QPointF(90, 150), 28, 28);
    QLinearGradient sea(0, 160, 0, 240);
    sea.setColorAt(0, QColor(40, 90, 130));
    sea.setColorAt(1, QColor(15, 35, 60));
    p.fillRect(QRect(0, 160, 320, 80), sea);
    p.setBrush(QColor(60, 55, 60));
    p.drawRect(QRect(200, 175, 80, 14));  // the pier
    p.setBrush(QColor(240, 240, 235));
    p.drawPolygon(
        QPolygonF({QPointF(226, 176), QPointF(254, 176), QPointF(248, 80), QPointF(232, 80)}));
    p.setBrush(QColor(200, 50, 50));
    p.drawRect(QRectF(229, 110, 22, 12));
    p.drawRect(QRectF(227, 145, 26, 12));
    p.setBrush(QColor(255, 240, 170));
    p.drawRect(QRectF(233, 66, 14, 14));
    p.setBrush(QColor(60, 55, 60));
    p.drawPolygon(QPolygonF({QPointF(229, 66), QPointF(251, 66), QPointF(240, 54)}));
    p.end();
    return image.save(QString::fromStdString(path.string()), "BMP");
}

void Settle(int milliseconds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(10000);
    }
}

bool Save(QWidget& window, const fs::path& out) {
    const QString name = QString::fromStdString(out.string());
    if (!window.grab().save(name, "PNG")) {
        std::fprintf(stderr, "skinshot: cannot write %s\n", out.c_str());
        return false;
    }
    std::printf("%s %dx%d\n", out.c_str(), window.width(), window.height());
    return true;
}

int RenderWindows(int argc, char** argv, const fs::path& out) {
    QApplication app(argc, argv);
    const fs::path media = fs::path(ModuleFolder()) / "media";
    fs::create_directories(media);
    const fs::path tone = media / "Harbour at dawn.wav";
    if (!WriteTone(tone, 4.0, 440) || !WriteTone(media / "Night train.wav", 3.0, 330) ||
        !WritePicture(media / "Lighthouse.bmp"))
        return 1;

    const std::unique_ptr<MainWindow> window = player::ComposeMainWindow({}, false);
    MainWindow& main = *window;
    if (!main.Initialised())
        return 1;
    for (const char* name : {"Harbour at dawn.wav", "Night train.wav", "Lighthouse.bmp"})
        main.List().AddPath((media / name).string());
    main.show();
    Settle(300);
    // The first tone plays for a moment, so the picture shows the window at work.
    main.List().SelectRow(0);
    main.Button(MainWindow::kPlay)->click();
    Settle(1500);
    bool ok = Save(main, out / "main.png");

    // The picture opens the viewer.
    main.List().SelectRow(2);
    main.Button(MainWindow::kPlay)->click();
    Settle(800);
    ViewerWindow* viewer = main.Viewer();
    if (!viewer || !viewer->SkinLoaded() || !viewer->isVisible())
        return 1;
    ok = Save(*viewer, out / "viewer.png") && ok;
    main.Button(MainWindow::kStop)->click();
    Settle(200);

    EditorDialog editor(&main);
    editor.SetSourcePath(tone.string());
    editor.Initialise();
    if (!editor.IsSkinned())
        return 1;
    editor.show();
    Settle(600);
    ok = Save(editor, out / "editor.png") && ok;
    editor.hide();
    return ok ? 0 : 1;
}

// Copies the tool and the skin into a scratch program folder and runs the copy there.
int RunStaged(const fs::path& out, const fs::path& skin) {
    std::error_code ec;
    const fs::path scratch =
        fs::temp_directory_path() / ("veltra-skinshot-" + std::to_string(getpid()));
    fs::create_directories(scratch, ec);
    const fs::path self = scratch / "skinshot";
    fs::copy_file(fs::read_symlink("/proc/self/exe", ec), self, ec);
    if (!ec)
        fs::copy_file(skin, scratch / "skin.dat", ec);
    if (ec) {
        std::fprintf(stderr, "skinshot: cannot stage %s: %s\n", skin.c_str(), ec.message().c_str());
        fs::remove_all(scratch, ec);
        return 1;
    }
    setenv(kChildFlag, "1", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("VELTRA_FAKE_AUDIO", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("VELTRA_REGISTRY", (scratch / "registry").c_str(), 1);
    std::string outArg = out.string();
    char* args[] = {const_cast<char*>(self.c_str()), outArg.data(), nullptr};
    pid_t pid = 0;
    int status = 1;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, args, environ) == 0)
        waitpid(pid, &status, 0);
    fs::remove_all(scratch, ec);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: skinshot OUT_FOLDER [SKIN_FILE]\n");
        return 2;
    }
    std::error_code ec;
    const fs::path out = fs::absolute(argv[1], ec);
    if (std::getenv(kChildFlag))
        return RenderWindows(1, argv, out);
    fs::create_directories(out, ec);
    if (!fs::is_directory(out)) {
        std::fprintf(stderr, "skinshot: %s is not a folder\n", argv[1]);
        return 1;
    }
    const fs::path skin = argc == 3 ? fs::path(argv[2]) : fs::path(VELTRA_BIN_DIR) / "skin.dat";
    return RunStaged(out, skin);
}
