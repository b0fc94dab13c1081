// Reading skin.dat: the run-length unpacking, the BMP interpretation and the per-window
// loaders. Every bound is checked against the buffer it reads from; a malformed record
// leaves its slot empty instead of reading or writing outside the record.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/skin_records.h"

class QWidget;

inline constexpr char kSkinMissingMessage[] =
    QT_TRANSLATE_NOOP("SkinFile", "スキンデータが存在しません。");
inline constexpr char kSkinVersionMessage[] =
    QT_TRANSLATE_NOOP("SkinFile", "スキンデータの対応バージョンが異なります。");

// Why a window's artwork could not be read; the window tells the user.
enum class SkinFailure { None, Missing, Foreign };

// The message for a failure in the program's language; empty for None.
std::string SkinFailureText(SkinFailure failure);

// What a load read: the records read whole, and why there are none when it failed.
struct SkinRead {
    unsigned records = 0;
    SkinFailure failure = SkinFailure::None;
    explicit operator bool() const { return records != 0; }
};

// Expands one packed record (head included) into out, which holds outSize bytes.
// Returns the number of bytes written: never more than outSize, and never reading past
// packedSize; a run that would overflow out is cut at its end.
size_t UnpackRunLength(uint8_t* out, size_t outSize, const uint8_t* packed, size_t packedSize);

// Interprets a BITMAPINFOHEADER followed by its colour table and the pixel bits (bits at
// header + biSize + 4 * biClrUsed). Uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel,
// bottom-up or top-down. A null image when the header or the bits do not fit in size
// bytes or the format is not one of those.
QImage ImageFromDib(const uint8_t* info, size_t size);

// The same as a device bitmap for painting; a null pixmap when info is null or bad.
// The window only names the screen the bitmap is made for.
QPixmap CreateBitmapFromDib(const uint8_t* info, size_t size, QWidget* window);

// skin.dat in the program folder, else in ../share/veltra/ beside it; the program
// folder's path when neither exists, so the missing-file message names a real place.
// Empty when the program's own path is too long to use.
std::string SkinPath();

// Reads refs[i] into *slots[i] for as many pairs as both lists have. Fails as Missing when
// the file cannot be opened and as Foreign when it is not a skin file or any record is cut
// short or does not hold a readable picture (every slot is then emptied, no record
// counts); otherwise counts the records read whole. A record that unpacks to nothing
// leaves its slot null and counts.
SkinRead LoadSkinImages(QWidget* window, const std::string& path,
                        const std::vector<SkinRecordRef>& refs, const std::vector<QPixmap*>& slots);

// Argument order of SkinButton::SetSkinBitmaps and SkinSlider::SetSkinBitmaps.
struct ButtonImages {
    QPixmap normal, pressed, hover, disabled;
};
struct SliderImages {
    QPixmap normal, pressed, hover, channel;
};

// The frame in record order: bottom-left, bottom, bottom-right, left, right, top-left,
// top, top-right.
using FrameImages = std::array<QPixmap, 8>;

struct MainSkin {
    FrameImages frame;
    ButtonImages minimize, close, edit, viewer, menu, open, stop, play, pause, previous, next;
    SliderImages seek, volume;
    std::array<QPixmap, 3> footer;  // left cap, middle (tiled), right cap
    QPixmap title, grip;
};

struct EditorSkin {
    QColor background{222, 230, 245};
    FrameImages frame;
    ButtonImages close, play, pause, stop, still, forward, back, settings, execute, cancel;
    SliderImages position;
    QPixmap previewConverting, previewIdle;
};

struct ViewerSkin {
    FrameImages frame;
    ButtonImages close, fullScreen;
    QPixmap grip;
};

// Each fills its window's images from skin.dat at SkinPath() (or path when given); true
// (as a SkinRead) when at least one record was read. Nothing is shown: the window tells
// the user what the failure says.
SkinRead LoadMainSkin(QWidget* window, MainSkin* skin, const std::string& path = {});
SkinRead LoadEditorSkin(QWidget* window, EditorSkin* skin, const std::string& path = {});
SkinRead LoadViewerSkin(QWidget* window, ViewerSkin* skin, const std::string& path = {});

// The records each window loads, in ascending order, with the slot each one fills.
// The two editor settings buttons share one set of images, so it appears once.
void MainSkinTable(MainSkin* skin, std::vector<SkinRecordRef>* refs, std::vector<QPixmap*>* slots);
void EditorSkinTable(EditorSkin* skin, std::vector<SkinRecordRef>* refs,
                     std::vector<QPixmap*>* slots);
void ViewerSkinTable(ViewerSkin* skin, std::vector<SkinRecordRef>* refs,
                     std::vector<QPixmap*>* slots);
