// The pop-up menus of the player windows, built in code. Every action carries its command
// number as data, so one handler per window dispatches on the number.
#pragma once

#include <QMenu>
#include <memory>

class QAction;

namespace menus {

// Main window menu 129: the "&MENU" pop-up with its sub-menus.
constexpr int kOpen = 32771;
constexpr int kSavePlaylist = 32772;
constexpr int kExit = 32773;
constexpr int kCopyList = 32774;
constexpr int kAbout = 32775;
constexpr int kClearList = 32776;
constexpr int kViewIcon = 32777;
constexpr int kViewReport = 32778;
constexpr int kViewSmallIcon = 32779;
constexpr int kViewList = 32780;
constexpr int kOriginalSize = 32785;
constexpr int kKeepWindowSize = 32786;

// The object name of the main menu's output submenu, whose entries are the sound
// server's outputs rather than commands.
constexpr const char* kOutputDeviceMenu = "outputDevices";

// Viewer menu 132: the "設定" pop-up.
constexpr int kViewerFullScreen = 32771;
constexpr int kViewerPlay = 32772;
constexpr int kViewerStop = 32773;
constexpr int kViewerPause = 32774;
constexpr int kViewerCancel = 32787;
// Shows or hides the video's subtitles (also the J key, as in other players).
constexpr int kViewerSubtitles = 32788;

std::unique_ptr<QMenu> BuildMainMenu(QWidget* parent);
std::unique_ptr<QMenu> BuildViewerMenu(QWidget* parent);

// The action with that command number anywhere in the menu tree, or null.
QAction* FindCommand(QMenu* menu, int command);
// Checks one command and unchecks the others of the group.
void CheckCommand(QMenu* menu, int checked, std::initializer_list<int> group);

}  // namespace menus
