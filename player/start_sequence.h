// What the main window's start leaves until the window is on the screen, which needs none
// of it: the window icon, tunewell, the WAV writer's registration, and the start files (or
// the last run's list), after which the player logs that it is ready.
#pragma once

#include <memory>
#include <string>
#include <vector>

class OggBackend;
class PlaylistCtrl;
class QWidget;
class SoundDevice;

namespace player {

class ListSession;
class MainWindowCommands;
class MainWindowLayout;
class OnceShown;

struct StartNeeds {
    QWidget* window;
    OggBackend* ogg;
    SoundDevice* sound;
    PlaylistCtrl* list;
    MainWindowCommands* commands;
    ListSession* session;
    MainWindowLayout* layout;
};

class StartSequence {
  public:
    explicit StartSequence(const StartNeeds& needs);
    ~StartSequence();
    StartSequence(const StartSequence&) = delete;
    StartSequence& operator=(const StartSequence&) = delete;

    // The files of the command line: one plays, several are all listed and the first
    // listed plays; none restores the last run's list.
    void SetStartFiles(std::vector<std::string> files) { m_StartFiles = std::move(files); }
    // Called once the window is initialised: the rest follows its first paint.
    void Arm();
    // The start files are in and tunewell is loaded (or was tried).
    bool Finished() const;

  private:
    void Finish();

    StartNeeds m_n;
    std::vector<std::string> m_StartFiles;
    std::unique_ptr<OnceShown> m_pShown;
};

}  // namespace player
