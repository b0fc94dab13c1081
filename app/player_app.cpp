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
    CommandLine cl = ParseCommandLine(m_args);
    char cwd[PATH_MAX];
    const std::string folder = ::getcwd(cwd, sizeof cwd) ? cwd : "";
    std::vector<std::string> files;
    for (const std::string& file : cl.enqueueFiles)
        files.push_back(AbsoluteStartFile(file, folder));
    m_lock = std::make_unique<InstanceLock>(kInstanceMutexName, m_lockFolder);
    const InstanceLock::Result locked = m_lock->Acquire();
    // The desktop's "open with" hands its files over and ends without a word; only when
    // the running copy cannot take them does the user hear of it.
    if (locked == InstanceLock::Result::AlreadyHeld && cl.enqueue && m_handOff &&
        (files.empty() || m_handOff(files)))
        return 0;
    switch (locked) {
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
    cl.startFile = AbsoluteStartFile(cl.startFile, folder);
    if (cl.enqueue && m_listRunner) {
        m_ran = true;
        m_exitCode = m_listRunner(files, cl.use3D);
    } else if (m_runner) {
        m_ran = true;
        m_exitCode = m_runner(cl.startFile, cl.use3D);
    }
    return 0;
}
