// The viewer (dialog 131): the skinned, resizable window the main window's graph shows
// videos and pictures in. It plays nothing itself; play, stop and pause go to the main
// window as UM_PLAY, UM_STOP and UM_PAUSE. It keeps the window at the video's proportions,
// goes full screen and back, and offers a context menu and keyboard shortcuts.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QSize>
#include <array>
#include <memory>
#include <optional>

#include "player/playback_ports.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/skin_file.h"

class MediaGraph;
class SkinButton;
class VideoPane;
class QMenu;

class ViewerWindow : public SkinDialog {
    Q_OBJECT
  public:
    static constexpr int kCloseId = 1054;
    static constexpr int kFullScreenId = 1055;
    static constexpr const char* kTitle = "VELTRA Viewer";

    // owner: the main window, which receives the viewer's commands. The graph is borrowed.
    ViewerWindow(QWidget* owner, MediaGraph& graph);
    ~ViewerWindow() override;

    // Set by the main window on every item it opens.
    void SetEngine(player::EngineId engine) { m_Engine = engine; }
    player::EngineId Engine() const { return m_Engine; }
    // True while a video or picture is shown; the video area is shown or hidden with it.
    void SetPicture(bool shown);
    bool Picture() const { return m_bPicture; }
    void ShowVideoArea(bool shown);
    VideoPane* VideoArea() const { return m_pVideo; }
    QRect VideoAreaClientRect() const;

    // Fits the window to a w x h video; resizeToVideo gives it the video's own size.
    void FitToVideo(int w, int h, bool resizeToVideo);
    QSize VideoSize() const { return m_VideoSize; }
    // Where the picture is drawn inside the video area.
    QRect PictureRect() const;

    void ToggleFullScreen();
    // The video's subtitles shown or hidden; the choice holds for the next videos.
    void ToggleSubtitles();
    void CloseViewer();
    // 1 play, 2 stop, 3 pause, 9 close; anything else does nothing.
    void ForwardCommand(int code);
    // Menu 132 commands.
    void OnMenuCommand(int command);

    // False when the skin could not be loaded (the viewer is then shown without images).
    bool SkinLoaded() const { return m_bSkinLoaded; }

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void reject() override;

  private:
    void Initialise();
    bool LayoutControls();
    void PlaceVideoArea();
    bool CanGoFullScreen() const;
    // Back to the window it was, buttons shown again.
    void ExitFullScreen();
    // Full screen is for a picture: once none is shown it ends.
    void ExitFullScreenWithoutPicture();
    // Gives the window the video's proportions when a resize left it without them.
    void KeepProportions();
    QRect DesktopRect() const;
    QRect AvailableRect() const;
    void ShowContextMenu(const QPoint& globalPos);

    QPointer<QWidget> m_pOwner;
    MediaGraph& m_Graph;
    player::EngineId m_Engine = player::kEngineNone;
    bool m_bPicture = false;
    QSize m_VideoSize{-1, -1};
    // The picture's own size, also where it is too small to fit the window to; the video
    // is drawn at its proportions inside the area (invalid: fill the area).
    QSize m_PictureSize;
    VideoPane* m_pVideo = nullptr;
    SkinButton* m_pFullScreen = nullptr;
    SkinButton* m_pClose = nullptr;
    ViewerSkin m_Skin;
    bool m_bSkinLoaded = false;
    // The size the proportion rule asked for and has not seen granted yet, and how deep
    // its own requests are nested: a window system that will not grant a size cannot
    // drive the rule round in circles, and a later request for the same size still goes.
    std::optional<QSize> m_PendingProportion;
    int m_nProportionDepth = 0;
};
