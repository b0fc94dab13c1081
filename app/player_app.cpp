#include "app/player_app.h"

#include <QCoreApplication>

#include <unistd.h>

#include <QtDebug>
#include <climits>

#include "app/command_line.h"
#include "platform/instance_lock.h"
#include "platform/scratch_journal.h"
#include "platform/user_prompts.h"

PlayerApp::PlayerApp(int argc, char** argv, MainWindowRunner runner, std::string lockFolder)
    : m_runner(std::move(runner)), m_lockFolder(std::move(lockFolder)) {
    for (int i = 1; i < argc; ++i)
        if (argv && argv[i])
            m_args.emplace_back(argv[i]);
}

PlayerApp::~PlayerApp() = default;

BOOL PlayerApp::InitInstance() {
    m_lock = std::make_unique<InstanceLock>(kInstanceMutexName, m_lockFolder);
    switch (m_lock->Acquire()) {
        case InstanceLock::Result::Failed:
            qWarning("app: single-instance guard unavailable, not starting");
            return 0;
        case InstanceLock::Result::AlreadyHeld:
            Prompts().MessageBox(
                nullptr,
                QCoreApplication::translate("PlayerApp", kAlreadyRunningText).toStdString(),
                QCoreApplication::translate("PlayerApp", kAlreadyRunningCaption).toStdString(),
                MB_OK | MB_ICONEXCLAMATION);
            return 0;
        case InstanceLock::Result::Acquired:
            break;
    }
    // The only instance: whatever scratch files earlier runs left are theirs and stale.
    ScratchJournal::RemoveStale();
    CommandLine cl = ParseCommandLine(m_args);
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd))
        cl.startFile = AbsoluteStartFile(cl.startFile, cwd);
    if (m_runner) {
        m_ran = true;
        m_exitCode = m_runner(cl.startFile, cl.use3D);
    }
    return 0;
}
