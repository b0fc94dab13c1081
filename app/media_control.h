// The player as the desktop's media controls see it (keyboard media keys, the panel's
// player widget, playerctl): what plays, where, how loud, and the commands. The main window
// implements it by pressing its own buttons and moving its own sliders, so a command from
// the desktop behaves exactly like the user's click.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct MediaState {
    enum Status { Stopped, Playing, Paused };
    Status status = Stopped;
    // The current list row, or, while nothing is current, the row Play would start; -1 for
    // none.
    int row = -1;
    std::string path;      // its file; empty without a row
    int lengthTenths = 0;  // of the open item; 0 when unknown or nothing is open
    int positionTenths = 0;
    int volume = 50;  // the volume slider, 0 ... 100
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    // From the row's tags, once they have been read: empty (0) while unknown.
    std::string title;
    std::vector<std::string> artists;
    std::string album;
    long long tagLengthMs = 0;
    std::string artPath;  // a local picture of the cover

    bool operator==(const MediaState&) const = default;
};

class MediaControl {
  public:
    virtual ~MediaControl() = default;

    virtual MediaState State() = 0;
    // True while one of the program's own dialogs (editor, message box, file prompt, menu)
    // holds the user's input: the buttons cannot be pressed then, so commands wait too.
    virtual bool Busy() = 0;

    virtual void Play() = 0;   // the play button
    virtual void Pause() = 0;  // the pause button
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    // As if the seek slider's thumb were dragged there and released.
    virtual void SeekTo(int tenths) = 0;
    // As if the volume slider were moved there (0 ... 100).
    virtual void SetVolume(int position) = 0;
    // Adds a file to the list (a playlist replaces it) and plays it.
    virtual void OpenFile(const std::string& path) = 0;
    // Adds every file to the list and plays the first of them ("open with" on several
    // files). Controls that cannot list without playing open the first one only.
    virtual void EnqueueFiles(const std::vector<std::string>& paths) {
        if (!paths.empty())
            OpenFile(paths.front());
    }
    virtual void Raise() = 0;
    virtual void Quit() = 0;

    // Called when something in State() may have changed, and when the user seeks with the
    // slider; the service compares and tells the desktop.
    virtual void SetListeners(std::function<void()> changed, std::function<void()> seeked) = 0;
};
