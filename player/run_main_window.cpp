#include "player/run_main_window.h"

#include <memory>

#include "player/main_window.h"

int RunMainWindow(const std::string& startFile, bool use3D) {
    auto window = std::make_unique<MainWindow>(startFile, use3D);
    if (!window->Initialised())
        return 0;  // the skin or the layout failed; the message has been shown
    window->exec();
    // Tearing the window down unloads tunewell before the sound device goes and closes
    // the media graph.
    window.reset();
    return 0;
}
