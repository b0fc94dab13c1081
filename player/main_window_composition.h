// The program's composition root: the one place that makes the main window's engines,
// ports, playing logic and helpers, wires them together and hands them to the window.
#pragma once

#include <memory>
#include <string>
#include <vector>

class MainWindow;

namespace player {

// files: the start files (none: the last run's list comes back; several: all listed, the
// first one playing). use3D: false when "/3ds" was on the command line. The window is
// initialised; Initialised() says whether its skin and layout held.
std::unique_ptr<MainWindow> ComposeMainWindow(const std::vector<std::string>& files, bool use3D);

}  // namespace player
