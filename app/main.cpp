#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/cut_command.h"
#include "app/player_app.h"
#include "app/program_info.h"
#include "app/ui_language.h"
#include "app/usage_text.h"
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
    if (int code = AnswerUsageRequest(argc, argv, stdout); code >= 0)
        return code;
    if (int code = AnswerInfoRequest(argc, argv, stdout); code >= 0)
        return code;
    // The language switch is ours alone: the start file is the last of the other arguments.
    std::vector<std::string> args(argv + 1, argv + argc);
    const LanguageChoice language =
        ChooseLanguage(args, [](const char* n) { return std::getenv(n); });
    if (!language.warning.empty())
        std::fprintf(stderr, "%s\n", language.warning.c_str());
    // A cut for scripts runs without any window.
    if (int code = AnswerCutCommand(language.rest, language.language, stderr); code >= 0)
        return code;
    std::vector<char*> kept{argv[0]};
    for (const std::string& a : language.rest) kept.push_back(const_cast<char*>(a.c_str()));
    kept.push_back(nullptr);
    int keptCount = static_cast<int>(kept.size()) - 1;
    QApplication application(keptCount, kept.data());
    application.setApplicationName(QStringLiteral("VELTRA"));
    InstallLanguage(application, language.language);
    // Ties the windows to veltra.desktop (its icon and name in docks and task lists).
    QGuiApplication::setDesktopFileName(QStringLiteral("veltra"));
    SetUserPrompts(&QtUserPrompts());
    PlayerApp app(keptCount, kept.data(), &RunMainWindow);
    app.InitInstance();
    return app.ExitCode();
}
