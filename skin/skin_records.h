// The fixed layout of skin.dat: a 25-byte signature, then 108 run-length packed BMP
// records back to back. The file has no directory; this table is it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct SkinRecordRef {
    uint32_t offset;    // from the start of the file
    uint32_t packed;    // whole record, its 5-byte head included
    uint32_t unpacked;  // size of the BMP it expands to
};

inline constexpr int kSkinRecordCount = 108;
inline constexpr uint32_t kSkinFileSize = 312277;
inline constexpr char kSkinSignature[] = "RUNLENGTH_PACK VERSION01";
inline constexpr size_t kSkinSignatureLength = 25;  // the text and its terminating zero
inline constexpr size_t kSkinRecordHeadLength = 5;  // unpacked length, escape byte
inline constexpr size_t kBmpFileHeaderLength = 14;

extern const std::array<SkinRecordRef, kSkinRecordCount> kSkinRecords;

// Record numbers count from 1, as the artwork list does.
const SkinRecordRef& SkinRecord(int record);

// Record numbers by what they show. Buttons have four records in the order hover,
// disabled, normal, pressed; slider thumbs three (hover, normal, pressed).
enum SkinRecordId : int {
    kRecFrameBottomLeft = 1,
    kRecFrameBottom = 2,
    kRecFrameBottomRight = 3,
    kRecFrameLeft = 4,
    kRecFrameRight = 5,
    kRecFrameTopLeft = 6,
    kRecFrameTop = 7,
    kRecFrameTopRight = 8,
    kRecMinimize = 9,
    kRecFullScreen = 13,
    kRecClose = 17,
    kRecSmallThumb = 21,
    kRecVolumeChannel = 24,
    kRecSeekThumb = 25,
    kRecSeekChannel = 28,
    kRecMainEdit = 29,
    kRecMainViewer = 33,
    kRecMainMenu = 37,
    kRecMainOpen = 41,
    kRecMainStop = 45,
    kRecMainPlay = 49,
    kRecMainPause = 53,
    kRecMainPrevious = 57,
    kRecMainNext = 61,
    kRecFooterLeft = 65,
    kRecFooterMiddle = 66,
    kRecFooterRight = 67,
    kRecTitle = 68,
    kRecSizeGrip = 69,
    kRecEditorPlay = 70,
    kRecEditorPause = 74,
    kRecEditorStop = 78,
    kRecEditorStill = 82,
    kRecEditorForward = 86,
    kRecEditorBack = 90,
    kRecEditorSettings = 94,
    kRecEditorExecute = 98,
    kRecEditorCancel = 102,
    kRecEditorChannel = 106,
    kRecPreviewConverting = 107,
    kRecPreviewIdle = 108,
};

// Offsets of the states inside a button's or a thumb's group of records.
enum ButtonState : int { kStateHover = 0, kStateDisabled = 1, kStateNormal = 2, kStatePressed = 3 };
enum ThumbState : int { kThumbHover = 0, kThumbNormal = 1, kThumbPressed = 2 };
