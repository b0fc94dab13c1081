// Window placement kept in plInfo.ini as "left,top,right,bottom,showState,flags" (the
// normal rectangle in screen pixels, then the Windows show-state and flag numbers, so
// files written on either system read the same).
#pragma once

#include <QRect>
#include <QSize>
#include <string>

class QWidget;

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int WPF_RESTORETOMAXIMIZED = 0x2;

struct WindowPlacement {
    QRect normal;  // the restored (not minimised, not maximised) rectangle
    int showState = SW_SHOWNORMAL;
    int flags = 0;
};

// The window's minimum and maximum track sizes; a stored size outside them is ignored.
struct PlacementLimits {
    bool hasMin = false;
    QSize min;
    bool hasMax = false;
    QSize max;
};

// Text form used in the file. Parse fails with fewer than six numbers.
std::string FormatPlacement(const WindowPlacement& placement);
bool ParsePlacement(const std::string& text, WindowPlacement* placement);

// Reads section/key; false when missing, malformed, or outside the limits (equal sizes pass).
bool LoadPlacement(const char* section, const char* key, const PlacementLimits& limits,
                   WindowPlacement* placement);
// Writes section/key; a failed write is ignored, as nothing could be done about it.
void SavePlacement(const char* section, const char* key, const WindowPlacement& placement);

// The widget's current placement, and applying one to it. Applying moves a rectangle
// that would lie wholly off every screen back onto the primary screen, keeping its size.
WindowPlacement PlacementOf(const QWidget* window);
void ApplyPlacement(QWidget* window, const WindowPlacement& placement);

// Load and apply in one step; true when a stored placement was applied.
bool RestoreWindowPlacement(QWidget* window, const char* section, const char* key,
                            const PlacementLimits& limits);
void SaveWindowPlacement(const QWidget* window, const char* section, const char* key);

// The desktop's size (the primary screen's available area), the usual maximum track size.
QSize DesktopSize();
