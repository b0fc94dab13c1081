// The artwork of skin.dat: one row per record with the geometry chosen for it and the
// function that draws it, plus the program's splash picture and icon.
#pragma once

#include <QImage>
#include <vector>

namespace skinpack {

enum class Look { Hover, Disabled, Normal, Pressed };

struct ArtContext {
    int width;
    int height;
    Look look;
    int arg;  // what the painter draws: a glyph, a frame part, a window row
};

using ArtPainter = void (*)(QImage& image, const ArtContext& ctx);

struct ArtEntry {
    int record;
    const char* name;
    int width;
    int height;
    int bits;
    ArtPainter paint;
    Look look;
    int arg;
};

const std::vector<ArtEntry>& ArtTable();

QImage DrawArt(const ArtEntry& entry);
QImage DrawSplash();  // 400 x 300
// The program icon, size x size pixels with a transparent corner; drawn for each size
// rather than scaled from one picture, so small ones stay sharp.
QImage DrawIcon(int size = 128);
// The sizes the desktop's icon theme gets.
const std::vector<int>& IconSizes();

}  // namespace skinpack
