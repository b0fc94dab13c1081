// Entry point of the player windows for the application shell: composes the main window,
// runs it modally and tears it down (tunewell unloaded before the sound device goes).
#pragma once

#include <string>
#include <vector>

// startFile: the last command-line argument, or empty. use3D: false when "/3ds" was given.
// Returns the process exit code.
int RunMainWindow(const std::string& startFile, bool use3D);
// Same with every file of "--enqueue": all listed, the first one playing.
int RunMainWindowWithFiles(const std::vector<std::string>& files, bool use3D);
