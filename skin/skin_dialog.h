// The frameless, self-painted window base of the main window and the viewer, and the
// frame drawing all three skinned windows share.
//
// A derived window, in its initialisation:
//   resize(380, 310);                      // the dialog's own size first
//   SkinDialog::OnInitDialog();            // minimum size = the size it has now
//   LoadMainSkin(this, &m_Skin);           // images (skin_file.h); on false: close
//   button->SetSkinBitmaps(m_Skin.play); button->SizeToContent();
//   slider->SetSkinBitmaps(m_Skin.seek); slider->FitToSkin();
//   ...place the controls at their default size...
//   AddAnchor(button, kAnchorBottomCenter);  // keeps its size, moves with the anchor
//   AddAnchor(list, kAnchorTopLeft, kAnchorBottomRight);  // grows with the window
//   RememberPlacement("MAIN", "SIZE");     // restores now, saves when destroyed
// and in its paintEvent composes the picture off-screen, calling DrawSkinFrame, then
// copies it once. The top 30 pixels drag the window, the grip and the edges resize it.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QRect>
#include <array>
#include <string>
#include <vector>

class QPainter;

struct Anchor {
    int x;  // percent of the client width
    int y;  // percent of the client height
    bool operator==(const Anchor&) const = default;
};

inline constexpr Anchor kAnchorTopLeft{0, 0};
inline constexpr Anchor kAnchorTopCenter{50, 0};
inline constexpr Anchor kAnchorTopRight{100, 0};
inline constexpr Anchor kAnchorMiddleLeft{0, 50};
inline constexpr Anchor kAnchorMiddleCenter{50, 50};
inline constexpr Anchor kAnchorMiddleRight{100, 50};
inline constexpr Anchor kAnchorBottomLeft{0, 100};
inline constexpr Anchor kAnchorBottomCenter{50, 100};
inline constexpr Anchor kAnchorBottomRight{100, 100};
inline constexpr Anchor kAnchorUnset{-1, -1};

inline constexpr int kCaptionBand = 30;  // pixels at the top that drag a window

// Paints the eight frame images (record order: bottom-left, bottom, bottom-right, left,
// right, top-left, top, top-right) around a client area of the given size: corners at
// their own size, edges tiled with the last tile cut. Missing images are left out.
void DrawSkinFrame(QPainter& painter, QSize client, const std::array<QPixmap, 8>& frame);
// Tiles image along a strip from..to (exclusive) at a fixed other coordinate.
void TileHorizontally(QPainter& painter, const QPixmap& image, int y, int fromX, int toX);
void TileVertically(QPainter& painter, const QPixmap& image, int x, int fromY, int toY);

// Moves a frameless window when its top band is dragged (system move where the window
// system offers it, a manual move otherwise). Installed on the window itself.
class CaptionDrag : public QObject {
  public:
    explicit CaptionDrag(QWidget* window, int band = kCaptionBand);

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    QWidget* m_pWindow;
    int m_Band;
    bool m_bDragging = false;
    QPoint m_GrabOffset;
};

class SkinDialog : public QDialog {
  public:
    explicit SkinDialog(QWidget* parent = nullptr);
    ~SkinDialog() override;

    // The base initialisation every derived window runs first.
    void OnInitDialog();
    void AddAnchor(QWidget* control, Anchor first, Anchor second = kAnchorUnset);
    void ArrangeLayout();
    void SetMinTrackSize(int cx, int cy);
    void SetMaxTrackSize(int cx, int cy);
    void SetShowGrip(bool show);
    bool ShowsGrip() const { return m_bShowGrip; }
    QRect GripRect() const;

    // True when a saved placement was applied. The placement is saved once, when the
    // window is destroyed or SavePlacementNow is called, unless it is in full screen.
    bool RememberPlacement(const char* section, const char* key);
    void SavePlacementNow();

    // Full screen keeps the window rectangle and the size limits and gives them back
    // on leaving; false when the window cannot cover the screen.
    bool EnterFullScreen();
    void LeaveFullScreen();
    bool IsFullScreen() const { return m_bFullScreen; }

    void DrawSkinFrame(QPainter& painter, const std::array<QPixmap, 8>& frame) const;
    // Draws the grip picture in the bottom-right corner; answers where, for the caller to
    // keep the frame off it (empty without a picture).
    QRect DrawSkinGrip(QPainter& painter, const QPixmap& grip) const;

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool IsInitialised() const { return m_bInitialised; }

  private:
    struct LayoutEntry {
        QWidget* control;
        bool listBox;
        bool refresh;  // repainted after a move (labels draw their text against the frame)
        Anchor first, second;
        QPoint firstMargin, secondMargin;
    };
    // Which edges a press at p resizes (none: 0); the grip counts as bottom and right.
    Qt::Edges ResizeEdgesAt(QPoint p) const;

    std::vector<LayoutEntry> m_Layout;
    bool m_bInitialised = false;
    bool m_bShowGrip = true;
    bool m_bFullScreen = false;
    bool m_bRemember = false;
    bool m_bMinSize = false, m_bMaxSize = false;
    QSize m_MinTrack, m_MaxTrack;
    std::string m_Section, m_Key;
    // Full screen: what to give back on leaving.
    QRect m_SavedRect;
    bool m_bGripWasShown = false;
    QSize m_SavedMin, m_SavedMax;
    bool m_bSavedMinSize = false, m_bSavedMaxSize = false;
    // The corner that resizes, of the style's scroll-bar thickness.
    QSize m_GripSize;
    QRect m_GripRect;
    // A manual move or resize in progress (where the window system offers none).
    Qt::Edges m_DragEdges;
    bool m_bMoving = false;
    QPoint m_PressGlobal;
    QRect m_PressGeometry;
};
