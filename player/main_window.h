// The main window (dialog 102): the playlist, the transport buttons, the seek and volume
// sliders, the menu, automatic advance, and the owner of the media graph, the tunewell
// binding, the sound device and the viewer. Its playing decisions live in
// PlaybackController; this class wires the controls, messages and menus to it.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <array>
#include <memory>
#include <string>

#include "player/playback_controller.h"
#include "playlist/playlist_ctrl.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/skin_file.h"
#include "skin/skin_slider.h"

class CopyProgressDialog;
class EditorDialog;
class MediaGraph;
class OggBackend;
class QAbstractSlider;
class QMenu;
class SkinButton;
class SkinSlider;
class SoundDevice;
class TimeReadout;
class ViewerWindow;

namespace player {
class DisplayAdapter;
class GraphAdapter;
class ListAdapter;
class OggAdapter;
class PlaylistRules;
class SoundAdapter;
class ViewerAdapter;
}  // namespace player

// Window messages of the main window's own, for tunewell's reports handed over from its
// worker thread.
constexpr int UM_OGG_POSITION = 1100;
constexpr int UM_OGG_END = 1101;

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

    MainWindow(const std::string& startFile, bool use3D, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The one main window (tunewell's notification finds it through this), or null.
    static MainWindow* Instance();

    // False when the skin or the layout failed: the window closed itself at once.
    bool Initialised() const { return m_bInitialised; }

    // Commands.
    bool OpenAndPlay(const std::string& path) { return m_pController->OpenAndPlay(path); }
    void PlaySelected() { m_pController->PlaySelected(); }
    void Pause() { m_pController->Pause(); }
    void PlayPrevious() { m_pController->PlayPrevious(); }
    void PlayNext() { m_pController->PlayNext(); }
    void ToggleViewer() { m_pController->ToggleViewer(); }
    void OpenEditor();
    void OnCommand(int command);
    void CloseWindow();
    // What the seek slider does when its thumb is dragged to `tenths` and released.
    void SeekTo(int tenths);
    // What the volume slider does when it is moved to `position` (0 ... 100).
    void SetVolumePosition(int position);
    // The keyboard's steps: the seek by tenths (clamped to the item), the volume by slider
    // positions. Nothing happens while no item with a length is open.
    void SeekBy(int tenths);
    void StepVolume(int positions);
    // Space: pauses what plays, else plays like the play button.
    void TogglePlayPause();
    // Adds the file to the list like a drop (a playlist replaces the list), selects its row
    // and plays it like the play button. False when no row for it is in the list.
    bool AddAndPlay(const std::string& path);
    // Adds every file like AddAndPlay (none is lost, in their order) and plays the first
    // of them that is listed. False when none is.
    bool AddAllAndPlayFirst(const std::vector<std::string>& paths);
    // All the start files of "--enqueue", played like the one start file: set before the
    // start finishes.
    void SetStartFiles(std::vector<std::string> paths) { m_StartFiles = std::move(paths); }

    // PlaybackHost: the list's removals and clears follow the current row through these.
    int CurrentRow() const override { return m_pController->CurrentRow(); }
    void SetCurrentRow(int row) override { m_pController->SetCurrentRow(row); }
    void Stop() override { m_pController->Stop(); }

    player::PlaybackController& Controller() { return *m_pController; }
    PlaylistCtrl& List() { return *m_pList; }
    ViewerWindow* Viewer() const { return m_pViewer; }
    MediaGraph& Graph() { return *m_pGraph; }
    OggBackend& Ogg() { return *m_pOgg; }
    SoundDevice& Sound() { return *m_pSound; }
    QMenu* MainMenu() const { return m_pMenu.get(); }
    SkinButton* Button(int id) const;
    QAbstractSlider* SeekSlider() const;
    QAbstractSlider* VolumeSlider() const;

    // The viewer, made on first need (owner this window, the main graph).
    ViewerWindow* CreateViewer();

    // Tunewell's notification function: runs on its worker thread and only posts.
    static int32_t OnOggNotify(int32_t code, int32_t value, int32_t reserved);

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Files dropped anywhere on the window go to the list.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void reject() override;

  private:
    void Initialise();
    bool LayoutControls();
    void FinishStart();
    void ConnectControls();
    void PlaceList();
    void HandleWindowMessage(int message, intptr_t wParam);
    void SetKeepWindowSize(bool keep);
    void ShowMenuAtCursor();
    void InstallKeys();
    void SetToolTips();
    void UpdateReadout();
    void RestoreSession();
    void SaveSession();
    void ResumeIfFirst();
    void DrainPositions();
    void LogLayout();
    void Shutdown();

    std::string m_strStartFile;
    std::vector<std::string> m_StartFiles;
    // The item that played when the last run ended and where: resumed when it is the
    // first item played in this run.
    std::string m_strResumePath;
    int m_nResumeTenths = 0;
    bool m_bResumePending = false;
    bool m_bInitialised = false;
    bool m_bShutDown = false;
    bool m_bFirstPaintSeen = false;
    bool m_bStartFinished = false;  // the Ogg library is loaded and the start file added
    bool m_bDrainingPositions = false;
    intptr_t m_nLatestPosition = 0;

    std::unique_ptr<SoundDevice> m_pSound;
    std::unique_ptr<MediaGraph> m_pGraph;
    std::unique_ptr<OggBackend> m_pOgg;
    PlaylistCtrl* m_pList = nullptr;
    std::unique_ptr<QMenu> m_pMenu;
    ViewerWindow* m_pViewer = nullptr;  // made on first need, deleted with this window
    QPointer<CopyProgressDialog> m_pCopyProgress;
    EditorDialog* m_pEditor = nullptr;

    std::array<SkinButton*, 11> m_Buttons{};
    SkinSlider* m_pSeek = nullptr;
    SkinSlider* m_pVolume = nullptr;
    TimeReadout* m_pReadout = nullptr;
    MainSkin m_Skin;

    std::unique_ptr<player::GraphAdapter> m_pGraphPort;
    std::unique_ptr<player::OggAdapter> m_pOggPort;
    std::unique_ptr<player::SoundAdapter> m_pSoundPort;
    std::unique_ptr<player::PlaylistRules> m_pRules;
    std::unique_ptr<player::ListAdapter> m_pListPort;
    std::unique_ptr<player::ViewerAdapter> m_pViewerPort;
    std::unique_ptr<player::DisplayAdapter> m_pDisplay;
    std::unique_ptr<player::PlaybackController> m_pController;
};
