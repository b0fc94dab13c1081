// The main window's playing logic: opening items, play / pause / stop, previous / next,
// automatic advance at the end of an item, the seek and volume sliders. It knows the
// window only through the ports, so it runs and is tested without painting.
#pragma once

#include <optional>
#include <string>

#include "player/playback_ports.h"

namespace player {

struct PlaybackPorts {
    GraphPort* graph;
    OggPort* ogg;
    SoundPort* sound;
    MediaRulesPort* rules;
    ListPort* list;
    ViewerPort* viewer;
    DisplayPort* display;
};

class PlaybackController {
  public:
    explicit PlaybackController(const PlaybackPorts& ports) : m_p(ports) {}

    // Every way of starting an item ends here. False: missing file, unknown kind, or the
    // open or start failed (the buttons keep their look). An item of the graph opens
    // without waiting: true then says it is on its way, and OnGraphOpened goes on with it.
    bool OpenAndPlay(const std::string& path);
    // The graph has read the file of an open (UM_GRAPH_OPENED): the item is shown or
    // started, or, when it failed, given up as OpenAndPlay gives it up. True when it now
    // plays or shows; false for a failure and for the report of an open given up since.
    bool OnGraphOpened(intptr_t ticket);
    // An item's file is being read by the graph.
    bool OpenPending() const { return m_pending.has_value(); }
    void PlaySelected();
    void Pause();
    void Stop();
    void PlayPrevious();
    void PlayNext();
    void ToggleViewer();
    void ApplyVolume();
    // Hundredths of a decibel for a volume slider position (0 ... 100).
    static int LevelOfSlider(int position);

    // Engine reports, already handed over to the user-interface thread.
    void OnGraphPosition(int tenths);
    void OnGraphComplete(intptr_t code);
    // The prepared next item is heard (true), or could not be played (false).
    void OnGraphNextStarted(bool heard);
    // A seek the graph carried out on its own time: false when it was refused.
    void OnGraphSeekDone(bool landed);
    // The graph has started the item from its beginning (true) or could not (false): the
    // item then fails as a failed open does.
    void OnGraphRewound(bool ok);
    // The graph learnt the item's length only after the open.
    void OnGraphDuration(int tenths);
    void OnOggPosition(int tenths);
    void OnOggEnd();

    // Slider notifications: endOfScroll is the one that ends a drag, step or page.
    void OnSeekScroll(bool endOfScroll);
    void OnVolumeScroll(bool endOfScroll);

    // The list changed under the current item (its row removed, the list cleared).
    void ForgetCurrent() { SetCurrentRow(-1); }

    // The row of the current item where it is now: rows may have been sorted, inserted
    // or removed since it was opened.
    int CurrentRow();
    void SetCurrentRow(int row);
    ItemMode Mode() const { return m_Mode; }
    EngineId Engine() const { return m_Engine; }
    bool KeepWindowSize() const { return m_bKeepWindowSize; }
    void SetKeepWindowSize(bool keep) { m_bKeepWindowSize = keep; }
    // True while an item is open in either engine (what the volume slider acts on).
    bool ItemOpen();

  private:
    enum class Start { Failed, Started, Pending };
    // The open of an item of the graph, until the graph has read its file.
    struct PendingOpen {
        std::string path;
        std::string ext;
        bool advancing;  // begun by the automatic advance, which goes on should it fail
    };
    Start OpenAndStart(const std::string& path);
    Start BeginGraphOpen(const std::string& path, const std::string& ext);
    // Shows the boxes an engine had for the user. Each runs an event loop: the caller
    // checks afterwards that its open is still the current one.
    void Tell(const Notices& notices);
    // What an open does once the graph has read the file.
    bool ShowOrStartOpened(const std::string& ext);
    bool StartItem(int length);
    void EndOpen(bool ok, const std::string& path);
    // Closes whatever item is open or opening; reports it left queued mean nothing now.
    void CloseCurrent();
    // Finds the current item's row again after the list moved under it.
    void FollowCurrentRow();
    bool HasNext();
    bool StepNext();
    void AdvanceAfterEnd();
    void StopPlayback();
    void ReleaseSoundDevice();
    void ResetPlayDisplay();
    bool EnsureViewerShown();
    // A few seconds before a sound item's end the next row, when it is a sound file the
    // graph plays too, is prepared behind it.
    void PrepareNextItem(int tenths);
    void ForgetPreparedItem();
    void ShowLength(int tenths);
    void LogOpen(bool ok, const std::string& path);
    void CreateViewer();

    PlaybackPorts m_p;
    bool m_bResumeAfterSeek = false;
    int m_nCurrent = -1;
    std::string m_currentPath;  // the item of m_nCurrent, to find its row again
    bool m_bKeepWindowSize = false;
    ItemMode m_Mode = ModeNone;
    EngineId m_Engine = kEngineNone;
    int m_length = 0;            // of the current item, tenths of a second
    bool m_bNextTried = false;   // the current item has had its try at preparing one
    std::string m_preparedPath;  // the next item the graph prepared; empty: none
    std::optional<PendingOpen> m_pending;
    // Counts opens and closes: a message box shown on the way runs an event loop, in which
    // the user may open or stop something else, and what then comes back is not current.
    unsigned m_openSerial = 0;
    bool m_bAdvancing = false;       // inside the automatic advance
    bool m_bStartAdvancing = false;  // the item being started was begun by the advance
};

}  // namespace player
