// The seams between the main window's playing logic and everything it drives: the media
// graph, the Ogg Vorbis back-end, the sound device, the playlist rows, the viewer and the
// window's own controls. The main window adapts the real parts to these; tests hand the
// controller fakes.
#pragma once

#include <QRect>
#include <cstdint>
#include <string>

#include "platform/notice.h"

class IDirectSound;
class VideoSurface;

namespace player {

// Engine of an item, with the values the playlist's PlayerEngine uses.
using EngineId = int32_t;
constexpr EngineId kEngineNone = 0;
constexpr EngineId kEngineGraph = 1;
constexpr EngineId kEngineOgg = 2;

// What the current item is showing.
enum ItemMode : int32_t { ModeNone = 0, ModeImage = 1, ModeVideo = 2, ModeAudio = 3 };

// The main window's media graph, with the graph states of the engine.
class GraphPort {
  public:
    enum State : int32_t { Idle = 0, Paused = 1, Running = 2, Ended = 3 };
    virtual ~GraphPort() = default;
    // Sound files: no video owner. Video and pictures: the viewer's video area.
    virtual bool SetWindows(VideoSurface* owner, const QRect* rect) = 0;
    enum class Opened { Yes, No, Stale };
    // How a step of an open ended, with the boxes its failure has for the user, which the
    // controller shows in order (the graph shows none itself).
    struct OpenResult {
        Opened opened = Opened::No;
        Notices notices;
    };
    // Starts opening path, cued and not run, without waiting: the file is read on a thread
    // of the graph's, and the controller's OnGraphOpened with the open's ticket finishes
    // it. Yes: on its way; No: refused at once. A new open, SetWindows or Close gives up
    // one in progress.
    virtual OpenResult OpenAsync(const std::string& path) = 0;
    // The outcome of the open of ticket; Stale when that open was given up meanwhile.
    virtual OpenResult FinishOpen(intptr_t ticket) = 0;
    virtual bool Opening() = 0;  // an open is in progress
    virtual bool GetVideoDimensions(int* width, int* height) = 0;
    virtual int GetDuration() = 0;  // tenths of a second
    virtual bool Restart() = 0;
    virtual bool PlayPause() = 0;
    virtual bool Seek(double tenths) = 0;
    virtual bool SetVolume(int hundredthsDb) = 0;
    virtual std::string GetFileName() = 0;
    virtual void Close() = 0;
    virtual State GetState() = 0;
    virtual bool HasGraph() = 0;
    // The list's next item, prepared behind a playing sound-only item so that it follows
    // without a break; false when the graph cannot take it. Once it is heard the graph
    // reports so (OnGraphNextStarted) and is asked to take it as its open file.
    virtual bool QueueNext(const std::string& path) = 0;
    virtual bool TakeQueuedItem() = 0;
    virtual void DropQueuedItem() = 0;
};

// tunewell through the run-time binding; every call yields 0 while it is not loaded.
class OggPort {
  public:
    virtual ~OggPort() = default;
    virtual bool IsLoaded() = 0;
    // Hands tunewell the device and the main window's notification function.
    virtual void Init(IDirectSound* device) = 0;
    virtual int Open(const std::string& path, double* seconds) = 0;
    virtual void Close() = 0;
    virtual int Play() = 0;
    virtual void Pause() = 0;
    virtual int SetTime(double seconds) = 0;
    virtual int IsActive() = 0;
    virtual int IsPlay() = 0;
    virtual int IsPause() = 0;
    virtual std::string GetFile() = 0;
};

class SoundPort {
  public:
    virtual ~SoundPort() = default;
    virtual bool Create() = 0;
    virtual void Release() = 0;
    virtual void SetPrimaryVolume(int hundredthsDb) = 0;
    virtual IDirectSound* Device() = 0;  // null until created
};

// Extension rules of the playlist (the audio rule depends on whether tunewell is loaded).
class MediaRulesPort {
  public:
    virtual ~MediaRulesPort() = default;
    virtual std::string UpperExtensionOf(const std::string& path) = 0;
    virtual EngineId EngineForExtension(const std::string& ext) = 0;
    virtual bool IsVideoExtension(const std::string& ext) = 0;
    virtual bool IsImageExtension(const std::string& ext) = 0;
    virtual bool IsAudioExtension(const std::string& ext) = 0;
};

// The rows of the playlist control.
class ListPort {
  public:
    virtual ~ListPort() = default;
    virtual int RowCount() = 0;
    virtual std::string PathOf(int row) = 0;  // the path column
    virtual int SelectedRow() = 0;            // -1 for none
    virtual void SelectAndFocus(int row) = 0;
    // Marks the row whose item is open (playing, paused or a picture shown); -1: none.
    // The list keeps the mark on that row when other rows move.
    virtual void MarkPlaying(int row) = 0;
    // The marked row where it is now, after sorts, insertions and removals; -1: none.
    virtual int PlayingRow() = 0;
};

// The viewer window, created on first need and then only shown and hidden.
class ViewerPort {
  public:
    virtual ~ViewerPort() = default;
    virtual bool Exists() = 0;
    virtual bool Create() = 0;  // false when no viewer could be made
    virtual bool IsVisible() = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void SetEngine(EngineId engine) = 0;
    virtual void SetPicture(bool shown) = 0;
    virtual void ShowVideoArea(bool shown) = 0;
    virtual VideoSurface* VideoArea() = 0;
    virtual QRect VideoAreaRect() = 0;  // the area's client rectangle
    virtual void FitToVideo(int width, int height, bool resizeToVideo) = 0;
};

// The main window's own controls and its few platform needs.
class DisplayPort {
  public:
    virtual ~DisplayPort() = default;
    // true: pause button shown, play hidden; false: the other way round.
    virtual void ShowPauseButton(bool pauseShown) = 0;
    virtual void EnableSeek(bool enabled) = 0;
    virtual void SetSeekRange(int maximum) = 0;
    virtual void SetSeekPos(int tenths) = 0;
    virtual int SeekPos() = 0;
    virtual int VolumePos() = 0;
    virtual void SetWaitCursor(bool waiting) = 0;
    virtual void ShowMessage(const std::string& text) = 0;  // OK box, program name as caption
    // A box an engine described, as it describes it, without an owner window.
    virtual void ShowNotice(const Notice& notice) = 0;
    // Drops queued engine reports that belong to an item that has just been closed.
    virtual void DropStaleGraphReports() = 0;
    virtual void DropStaleOggReports() = 0;
};

}  // namespace player
