#include "platform/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstdio>

#include "platform/settings.h"

std::string FormatPlacement(const WindowPlacement& p) {
    char text[128];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d,%d", p.normal.left(), p.normal.top(),
                  p.normal.left() + p.normal.width(), p.normal.top() + p.normal.height(),
                  p.showState, p.flags);
    return text;
}

bool ParsePlacement(const std::string& text, WindowPlacement* placement) {
    int left, top, right, bottom, show, flags;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d,%d,%d", &left, &top, &right, &bottom, &show,
                    &flags) != 6)
        return false;
    // Sizes are differences of screen coordinates; keep them in int range.
    long long width = static_cast<long long>(right) - left;
    long long height = static_cast<long long>(bottom) - top;
    if (width < 0 || height < 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return false;
    if (placement) {
        placement->normal = QRect(left, top, static_cast<int>(width), static_cast<int>(height));
        placement->showState = show;
        placement->flags = flags;
    }
    return true;
}

bool LoadPlacement(const char* section, const char* key, const PlacementLimits& limits,
                   WindowPlacement* placement) {
    std::string text = ReadSetting(section, key, "Default");
    if (text.empty())
        return false;
    WindowPlacement p;
    if (!ParsePlacement(text, &p))
        return false;
    const int w = p.normal.width(), h = p.normal.height();
    if (limits.hasMin && (w < limits.min.width() || h < limits.min.height()))
        return false;
    if (limits.hasMax && (w > limits.max.width() || h > limits.max.height()))
        return false;
    if (placement)
        *placement = p;
    return true;
}

void SavePlacement(const char* section, const char* key, const WindowPlacement& placement) {
    WriteSetting(section, key, FormatPlacement(placement));
}

WindowPlacement PlacementOf(const QWidget* window) {
    WindowPlacement p;
    const Qt::WindowStates state = window->windowState();
    const bool special = state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    p.normal = special ? window->normalGeometry() : window->geometry();
    if (!p.normal.isValid())
        p.normal = window->geometry();
    if (state & Qt::WindowMinimized) {
        p.showState = SW_SHOWMINIMIZED;
        if (state & Qt::WindowMaximized)
            p.flags = WPF_RESTORETOMAXIMIZED;
    } else if (state & Qt::WindowMaximized) {
        p.showState = SW_SHOWMAXIMIZED;
    }
    return p;
}

void ApplyPlacement(QWidget* window, const WindowPlacement& placement) {
    QRect r = placement.normal;
    // A rectangle on a screen that is no longer there would put the window out of reach.
    bool visible = false;
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(r))
            visible = true;
    if (!visible) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            r.moveTopLeft(primary->availableGeometry().topLeft());
    }
    window->setGeometry(r);
    Qt::WindowStates state = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (placement.showState == SW_SHOWMINIMIZED) {
        state |= Qt::WindowMinimized;
        if (placement.flags & WPF_RESTORETOMAXIMIZED)
            state |= Qt::WindowMaximized;
    } else if (placement.showState == SW_SHOWMAXIMIZED) {
        state |= Qt::WindowMaximized;
    }
    window->setWindowState(state);
}

bool RestoreWindowPlacement(QWidget* window, const char* section, const char* key,
                            const PlacementLimits& limits) {
    WindowPlacement p;
    if (!window || !LoadPlacement(section, key, limits, &p))
        return false;
    ApplyPlacement(window, p);
    return true;
}

void SaveWindowPlacement(const QWidget* window, const char* section, const char* key) {
    if (window)
        SavePlacement(section, key, PlacementOf(window));
}

QSize DesktopSize() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry().size() : QSize(0x7FFFFFFF, 0x7FFFFFFF);
}
