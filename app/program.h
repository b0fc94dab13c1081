// The program from its command line to its exit code: --help and --version, the language,
// --cut, then the application, the single-instance lock and one run of the main window.
#pragma once

#include "app/player_app.h"

// runner and listRunner run the main window (with the start file, or with every file of
// "--enqueue" when no copy is running to take them).
int RunProgram(int argc, char** argv, PlayerApp::MainWindowRunner runner,
               PlayerApp::ListRunner listRunner);
