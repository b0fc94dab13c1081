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
QImage DrawIcon();    // 128 x 128

}  // namespace skinpack
