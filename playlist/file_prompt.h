// The open/save file prompt and the commands of the main window that use it.
#pragma once

#include <string>

class QWidget;
class PlaylistCtrl;

// Open or save prompt over the user-prompts seam. The first prompt of the process starts
// in "/", later ones in the folder last chosen. True with *name set when confirmed; a
// chosen name longer than kMaxPath is refused with a message and gives false. A save
// name without an extension gets the chosen filter's; a save into a folder that does not
// exist is refused with a message saying so.
bool PromptFileName(QWidget* owner, std::string* name, const std::string& filter, bool open);

// Folder of the last confirmed prompt, or "" when none was confirmed yet.
std::string LastPromptFolder();

// Filter of the Open command; Ogg is offered only while tunewell is loaded.
std::string OpenMediaFilter(bool oggLoaded);
// Filter of the save-playlist prompt.
std::string SavePlaylistFilter();

// The Open command: one file, then AddPath, and a message for anything refused.
void OpenMediaFile(QWidget* owner, PlaylistCtrl& list);
// The save-playlist command: asks for the name, writes, and reports a failure.
void SavePlaylist(QWidget* owner, PlaylistCtrl& list);
