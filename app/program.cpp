#include "app/program.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/cut_command.h"
#include "app/enqueue_client.h"
#include "app/program_info.h"
#include "app/ui_language.h"
#include "app/usage_text.h"
#include "platform/qt_prompts.h"

int RunProgram(int argc, char** argv, PlayerApp::MainWindowRunner runner,
               PlayerApp::ListRunner listRunner) {
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
    PlayerApp app(keptCount, kept.data(), std::move(runner));
    // A copy that has only just started takes its bus name within a few seconds.
    app.SetEnqueue(
        [](const std::vector<std::string>& files) { return EnqueueInRunningCopy(files, 10000); },
        std::move(listRunner));
    app.InitInstance();
    return app.ExitCode();
}
