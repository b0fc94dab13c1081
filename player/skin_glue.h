// The skinned window base, buttons and sliders as the player windows use them. When the
// skin subsystem is part of the tree its classes are used; until then a plain stand-in
// with the same calls keeps the player windows working: frameless windows with text
// buttons, anchored layout, size limits, remembered placement and full screen, but no
// artwork.
#pragma once

#if __has_include("skin/skin_dialog.h")
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/skin_file.h"
#include "skin/skin_slider.h"
#define VELTRA_PLAYER_SKINNED 1
#else
#include <QDialog>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <array>
#include <string>
#include <vector>

enum Anchor { kAnchorTopRight, kAnchorBottomCenter, kAnchorBottomLeft, kAnchorBottomRight };

class SkinDialog : public QDialog {
  public:
    explicit SkinDialog(QWidget* parent = nullptr);
    ~SkinDialog() override;

    void OnInitDialog();
    void AddAnchor(QWidget* control, Anchor anchor);
    void ArrangeLayout();
    void SetMinTrackSize(int cx, int cy);
    void SetMaxTrackSize(int cx, int cy);
    void SetShowGrip(bool show) { m_bShowGrip = show; }
    // True when a saved placement was applied; the placement is saved when the window
    // is hidden for good or destroyed, unless it is in full screen then.
    bool RememberPlacement(const char* section, const char* key);
    void SavePlacementNow();
    bool EnterFullScreen();
    void LeaveFullScreen();
    bool IsFullScreen() const { return m_bFullScreen; }
    void DrawSkinFrame(QPainter& painter, const std::array<QPixmap, 8>& frame);

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    struct Entry {
        QWidget* control;
        int ax, ay;  // anchor in percent of the client size
        QPoint margin;
    };
    std::vector<Entry> m_Layout;
    bool m_bInitialised = false;
    bool m_bShowGrip = true;
    bool m_bFullScreen = false;
    bool m_bRemember = false;
    std::string m_Section, m_Key;
    QRect m_SavedRect;
    QSize m_SavedMin, m_SavedMax;
};

class SkinButton : public QPushButton {
  public:
    explicit SkinButton(QWidget* parent = nullptr);
};

class SkinSlider : public QSlider {
  public:
    SkinSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
    bool SetInteractive(bool wheel);

  protected:
    void wheelEvent(QWheelEvent* e) override;

  private:
    bool m_bWheel = true;
};

// Without artwork there is nothing to load; the windows keep their text buttons.
bool LoadViewerSkin(QWidget* window, std::array<QPixmap, 8>* frame, QPixmap* grip,
                    SkinButton* close, SkinButton* fullScreen);
bool LoadMainSkin(QWidget* window, std::array<QPixmap, 8>* frame, std::array<QPixmap, 3>* footer,
                  QPixmap* title, QPixmap* grip);
#endif
