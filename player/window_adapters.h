// The main window's controls, playlist, sound device and viewer behind the playing logic's
// ports.
#pragma once

#include <QPointer>
#include <functional>

#include "player/playback_ports.h"

class QAbstractSlider;
class QWidget;
class PlaylistCtrl;
class SoundDevice;

namespace player {

class ViewerSlot;

struct DisplayControls {
    QWidget* window = nullptr;  // owner of message boxes and the cursor
    QWidget* play = nullptr;
    QWidget* pause = nullptr;
    QAbstractSlider* seek = nullptr;
    QAbstractSlider* volume = nullptr;
    std::function<void()> dropGraphReports;
    std::function<void()> dropOggReports;
};

class DisplayAdapter : public DisplayPort {
  public:
    explicit DisplayAdapter(DisplayControls controls) : m_c(std::move(controls)) {}
    void ShowPauseButton(bool pauseShown) override;
    void EnableSeek(bool enabled) override;
    void SetSeekRange(int maximum) override;
    void SetSeekPos(int tenths) override;
    int SeekPos() override;
    int VolumePos() override;
    void SetWaitCursor(bool waiting) override;
    void ShowMessage(const std::string& text) override;
    void ShowNotice(const Notice& notice) override;
    void DropStaleGraphReports() override;
    void DropStaleOggReports() override;

  private:
    DisplayControls m_c;
};

class ListAdapter : public ListPort {
  public:
    explicit ListAdapter(PlaylistCtrl& list) : m_list(list) {}
    int RowCount() override;
    std::string PathOf(int row) override;
    int SelectedRow() override;
    void SelectAndFocus(int row) override;
    void MarkPlaying(int row) override;
    int PlayingRow() override;

  private:
    PlaylistCtrl& m_list;
};

class SoundAdapter : public SoundPort {
  public:
    SoundAdapter(SoundDevice& device, QWidget* owner) : m_device(device), m_owner(owner) {}
    bool Create() override;
    void Release() override;
    void SetPrimaryVolume(int hundredthsDb) override;
    IDirectSound* Device() override;

  private:
    SoundDevice& m_device;
    QWidget* m_owner;
};

// The viewer as the playing logic sees it; the window is made on first need.
class ViewerAdapter : public ViewerPort {
  public:
    explicit ViewerAdapter(ViewerSlot& slot) : m_slot(slot) {}
    bool Exists() override;
    bool Create() override;
    bool IsVisible() override;
    void Show() override;
    void Hide() override;
    void SetEngine(EngineId engine) override;
    void SetPicture(bool shown) override;
    void ShowVideoArea(bool shown) override;
    VideoSurface* VideoArea() override;
    QRect VideoAreaRect() override;
    void FitToVideo(int width, int height, bool resizeToVideo) override;

  private:
    ViewerSlot& m_slot;
};

}  // namespace player
