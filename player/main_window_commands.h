// What the main window's buttons, sliders, menu and keys do: each one handed to the
// playing logic, the list or the editor, the menu's commands dispatched by number.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CopyProgressDialog;
class QMenu;
class QWidget;

namespace player {

class EditorHost;
class MainWindowControls;
class PlaybackController;

struct CommandNeeds {
    QWidget* window;  // owner of the menu, the keys and the dialogs
    MainWindowControls* controls;
    PlaybackController* controller;
    EditorHost* editor;
    std::function<void()> close;  // ends the window's run
};

class MainWindowCommands : public QObject {
  public:
    explicit MainWindowCommands(CommandNeeds needs);
    ~MainWindowCommands() override;

    // The buttons, the list's double-click and the sliders, to what they do.
    void ConnectControls();
    // The "&MENU" pop-up, made once for the window.
    QMenu* BuildMenu();
    QMenu* Menu() const { return m_pMenu.get(); }
    // The menu's commands and the player's keys as the window's shortcuts.
    void InstallKeys();

    void OnCommand(int command);
    void OpenEditor();
    void SetKeepWindowSize(bool keep);
    // Checks one of the list's four view commands.
    void CheckViewMode(int command);
    // What the seek slider does when its thumb is dragged to `tenths` and released.
    void SeekTo(int tenths);
    // What the volume slider does when it is moved to `position` (0 ... 100).
    void SetVolumePosition(int position);
    // The keyboard's steps: the seek by tenths (clamped to the item), the volume by slider
    // positions. The seek does nothing while no item with a length is open.
    void SeekBy(int tenths);
    void StepVolume(int positions);
    // Space: pauses what plays, else plays like the play button.
    void TogglePlayPause();
    // Adds the file to the list like a drop (a playlist replaces the list), selects its row
    // and plays it like the play button. False when no row for it is in the list.
    bool AddAndPlay(const std::string& path);
    // Adds every file like AddAndPlay (none is lost, in their order) and plays the first
    // of them that is listed. False when none is.
    bool AddAllAndPlayFirst(const std::vector<std::string>& paths);

  private:
    void ShowMenuAtCursor();

    CommandNeeds m_n;
    std::unique_ptr<QMenu> m_pMenu;
    QPointer<CopyProgressDialog> m_pCopyProgress;
};

}  // namespace player
