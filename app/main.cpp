#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/cut_command.h"
#include "app/player_app.h"
#include "app/program_info.h"
#include "app/qt_translation.h"
#include "platform/qt_prompts.h"

#ifdef VELTRA_HAVE_PLAYER
#include "player/run_main_window.h"
#else
namespace {

// Stands in for the main window while the player windows are not part of the build:
// it says so plainly instead of pretending to play.
int RunMainWindow(const std::string&, bool) {
    QDialog window;
    window.setWindowTitle(QStringLiteral("VELTRA"));
    auto* text = new QLabel(QStringLiteral("The player is not built yet."), &window);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window.exec();
    return 0;
}

}  // namespace
#endif

int main(int argc, char** argv) {
    // Answered before the display is opened and before the single-instance lock is taken.
    if (int code = AnswerInfoRequest(argc, argv, stdout); code >= 0)
        return code;
    // A cut for scripts runs without any window.
    if (int code = AnswerCutCommand(argc, argv, stderr); code >= 0)
        return code;
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("VELTRA"));
    InstallQtJapanese(application);
    // Ties the windows to veltra.desktop (its icon and name in docks and task lists).
    QGuiApplication::setDesktopFileName(QStringLiteral("veltra"));
    SetUserPrompts(&QtUserPrompts());
    PlayerApp app(argc, argv, &RunMainWindow);
    app.InitInstance();
    return app.ExitCode();
}
