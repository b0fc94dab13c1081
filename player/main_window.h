// The main window (dialog 102): the skinned window around the playlist, the transport
// buttons and the seek and volume sliders. Its controls are made with it; everything it
// plays and answers with (the media graph, tunewell, the sound device, the viewer, the
// playing logic and the helpers that wire the controls, messages, menu and keys to it)
// comes from the composition root as its parts, which it owns.
#pragma once

#include "player/main_window_controls.h"
#include "player/main_window_parts.h"
#include "playlist/playlist_ctrl.h"
#include "skin/skin_dialog.h"
#include "skin/skin_file.h"

class MediaGraph;
class OggBackend;
class QAbstractSlider;
class QMenu;
class SkinButton;
class SoundDevice;
class ViewerWindow;

namespace player {
class MainWindowCommands;
class PlaybackController;
}  // namespace player

class MainWindow : public SkinDialog, public PlaybackHost {
    Q_OBJECT
  public:
    // Control ids of dialog 102.
    enum ControlId {
        kPlay = 1003,
        kStop = 1004,
        kViewerButton = 1013,
        kEdit = 1041,
        kPause = 1044,
        kSeek = 1045,
        kVolume = 1046,
        kMenu = 1047,
        kClose = 1048,
        kMinimize = 1049,
        kOpen = 1050,
        kPrevious = 1051,
        kNext = 1052,
    };

    // The window and its controls; it does nothing until Initialise gives it its parts.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The one main window, or null.
    static MainWindow* Instance();

    // Takes its parts and initialises: splash, skin, layout, placement, menu and keys; the
    // rest of the start follows the first paint.
    void Initialise(player::MainWindowParts parts);
    // False when the skin or the layout failed: the window closed itself at once.
    bool Initialised() const { return m_bInitialised; }
    player::MainWindowControls& Controls() { return m_Controls; }

    // Ends the window's run (the close button, the exit command, the desktop's Quit).
    void CloseWindow();

    // PlaybackHost: the list's removals and clears follow the current row through these.
    int CurrentRow() const override;
    void SetCurrentRow(int row) override;
    void Stop() override;

    player::PlaybackController& Controller() { return *m_parts.controller; }
    // What the buttons, sliders, menu and keys do, for others to do the same.
    player::MainWindowCommands& Commands() { return *m_parts.commands; }
    PlaylistCtrl& List() { return m_Controls.List(); }
    ViewerWindow* Viewer() const;
    MediaGraph& Graph() { return *m_parts.graph; }
    OggBackend& Ogg() { return *m_parts.ogg; }
    SoundDevice& Sound() { return *m_parts.sound; }
    QMenu* MainMenu() const;
    SkinButton* Button(int id) const;
    QAbstractSlider* SeekSlider() const;
    QAbstractSlider* VolumeSlider() const;

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Files dropped anywhere on the window go to the list.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void reject() override;

  private:
    void Shutdown();

    bool m_bInitialised = false;
    bool m_bShutDown = false;
    // Before the controls: making them sends the window events, which look at the parts.
    player::MainWindowParts m_parts;
    player::MainWindowControls m_Controls;
    MainSkin m_Skin;
};
