#include "player/run_main_window.h"

#include <memory>

#include "app/mpris_service.h"
#include "player/main_window.h"
#include "player/main_window_composition.h"
#include "player/main_window_media_control.h"

int RunMainWindow(const std::string& startFile, bool use3D) {
    return RunMainWindowWithFiles(
        startFile.empty() ? std::vector<std::string>{} : std::vector<std::string>{startFile},
        use3D);
}

int RunMainWindowWithFiles(const std::vector<std::string>& files, bool use3D) {
    std::unique_ptr<MainWindow> window = player::ComposeMainWindow(files, use3D);
    if (!window->Initialised())
        return 0;  // the skin or the layout failed; the message has been shown
    {
        // The desktop's media keys and controls reach the window through its own handlers
        // for as long as it runs; they are gone before it is torn down.
        MainWindowMediaControl control(*window);
        MprisService mpris(control);
        mpris.StartAfterFirstPaint(window.get());
        window->exec();
    }
    // Tearing the window down unloads tunewell before the sound device goes and closes
    // the media graph.
    window.reset();
    return 0;
}
