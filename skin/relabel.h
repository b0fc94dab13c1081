// Words the program draws over a skin picture whose own words are in another language
// than the program's: the band holding them is painted over with the face beside it, and
// the program's words are drawn in their place. The picture itself stays as it is.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

// Paints the band (in picture coordinates, the picture drawn at `at`) with the picture's
// own column at the band's left edge, stretched across it: the face's shading from top to
// bottom stays, the words go.
void CoverWords(QPainter& p, QPoint at, const QPixmap& picture, const QRect& band);

// Dark words on a light face, light words on a dark one (or a saturated blue); the face
// read at `point`.
QColor InkOn(const QPixmap& picture, QPoint point);

// Covers the band and draws the text in it, centred, in the largest size up to
// pointSize that fits.
void Relabel(QPainter& p, QPoint at, const QPixmap& picture, const QRect& band, const QString& text,
             int pointSize, bool dimmed = false);
