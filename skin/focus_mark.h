// The mark a skinned control draws while it holds the keyboard focus that Tab gave it: a
// dotted line one pixel inside its edge, in the dark blue of the skin's frame, so it shows
// on the light artwork without hiding any of it.
#pragma once

#include <QRect>

class QPainter;
class QWidget;

void DrawFocusMark(QPainter& painter, const QRect& rect);

// True while the widget has the focus and the keyboard brought it there: a click that
// focuses a control draws no mark, as on every desktop.
bool ShowsFocusMark(const QWidget& widget, bool focusByKeyboard);
