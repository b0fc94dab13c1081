// Start-up of the program: one instance only, the command line, one modal run of the
// main window, then the end of the process.
#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com.h"

class InstanceLock;

// The single-instance name; spaces and commas belong to it.
inline constexpr const char* kInstanceMutexName =
    "0x9d1decf, 0x4607, 0x4f68, 0x8a, 0x6d, 0x10, 0xb5, 0xae, 0xd5, 0xd7, 0xcf";
inline constexpr const char* kAlreadyRunningText =
    QT_TRANSLATE_NOOP("PlayerApp", "アプリケーションは既に起動しています。\n処理を中止します。");
inline constexpr const char* kAlreadyRunningCaption = QT_TRANSLATE_NOOP("PlayerApp", "警告");

class PlayerApp {
  public:
    // Runs the main window modally: (start file or empty, use3D) -> exit code.
    using MainWindowRunner = std::function<int(const std::string&, bool)>;
    // Same, with every file of "--enqueue" (absolute; the first one plays).
    using ListRunner = std::function<int(const std::vector<std::string>&, bool)>;
    // Gives files (absolute) to the copy that holds the lock; false when it cannot be
    // reached.
    using HandOff = std::function<bool(const std::vector<std::string>&)>;

    // lockFolder: where the instance lock lives; empty for the system's place.
    PlayerApp(int argc, char** argv, MainWindowRunner runner, std::string lockFolder = {});
    ~PlayerApp();
    // For "--enqueue": how the files reach a running copy, and how this one starts with
    // them when none runs.
    void SetEnqueue(HandOff handOff, ListRunner listRunner) {
        m_handOff = std::move(handOff);
        m_listRunner = std::move(listRunner);
    }

    // The whole start-up and run; always FALSE, as nothing is left to do afterwards.
    BOOL InitInstance();
    // The main window's exit code, or 0 when it never ran.
    int ExitCode() const { return m_exitCode; }
    bool MainWindowRan() const { return m_ran; }

  private:
    std::vector<std::string> m_args;
    MainWindowRunner m_runner;
    HandOff m_handOff;
    ListRunner m_listRunner;
    std::string m_lockFolder;
    std::unique_ptr<InstanceLock> m_lock;  // held for the life of the process
    int m_exitCode = 0;
    bool m_ran = false;
};
