// The messages posted to the main window, handed to the playing logic on the user-interface
// thread: the graph's and tunewell's reports (their stale positions dropped first, so the
// thumb jumps to the newest one) and the viewer's transport commands.
#pragma once

#include <cstdint>

class QEvent;
class QObject;

// Window messages of the main window's own, for tunewell's reports handed over from its
// worker thread.
constexpr int UM_OGG_POSITION = 1100;
constexpr int UM_OGG_END = 1101;

namespace player {

class PlaybackController;

class WindowMessagePump {
  public:
    // receiver: the window the messages are posted to; it also receives tunewell's reports
    // for as long as this pump lives.
    WindowMessagePump(QObject& receiver, PlaybackController& controller);
    ~WindowMessagePump();
    WindowMessagePump(const WindowMessagePump&) = delete;
    WindowMessagePump& operator=(const WindowMessagePump&) = delete;

    // Acts on a window message; false for any other event, which the window handles.
    bool Deliver(QEvent* e);

    // What a stop or a close leaves queued from the engine it ends.
    static void DropGraphReports(QObject& receiver);
    static void DropOggReports(QObject& receiver);

    // tunewell's notification function: runs on its worker thread and only posts.
    static int32_t OnOggNotify(int32_t code, int32_t value, int32_t reserved);

  private:
    void Handle(int message, intptr_t wParam);
    void DrainPositions();

    QObject& m_receiver;
    PlaybackController& m_controller;
    bool m_bDrainingPositions = false;
    intptr_t m_nLatestPosition = 0;
};

}  // namespace player
