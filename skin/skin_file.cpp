#include "skin/skin_file.h"

#include <QCoreApplication>

#include <QDebug>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

#include "platform/max_path.h"
#include "platform/module_folder.h"

namespace {

// Far beyond any skin image, small enough that width * height * 4 stays in range.
constexpr int32_t kMaxDibSide = 16384;
constexpr size_t kInfoHeaderLength = 40;

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int32_t ReadI32(const uint8_t* p) {
    return static_cast<int32_t>(ReadU32(p));
}
uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

SkinRead Refused(SkinFailure failure) {
    return SkinRead{0, failure};
}

QRgb FromBgr(const uint8_t* p) {
    return qRgb(p[2], p[1], p[0]);
}

// 5-bit channels spread to 8 bits so white stays white.
int Expand5(unsigned v) {
    return static_cast<int>((v << 3) | (v >> 2));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

size_t UnpackRunLength(uint8_t* out, size_t outSize, const uint8_t* packed, size_t packedSize) {
    if (!out || !packed || packedSize < kSkinRecordHeadLength)
        return 0;
    const uint32_t declared = ReadU32(packed);
    const uint8_t escape = packed[4];
    size_t cursor = kSkinRecordHeadLength;
    size_t written = 0;
    // The first token is taken before the length is looked at, as the original reader
    // did; a declared length of 0 therefore still writes one token.
    do {
        if (cursor >= packedSize)
            break;
        const uint8_t byte = packed[cursor];
        if (byte != escape) {
            if (written < outSize)
                out[written++] = byte;
            ++cursor;
        } else {
            if (packedSize - cursor < 3)
                break;  // a run cut off by the end of the record writes nothing
            const uint8_t value = packed[cursor + 1];
            const size_t count = packed[cursor + 2];
            const size_t room = outSize - written;
            const size_t n = count < room ? count : room;
            std::memset(out + written, value, n);
            written += n;
            cursor += 3;
        }
    } while (written < declared && written < outSize);
    return written;
}

QImage ImageFromDib(const uint8_t* info, size_t size) {
    if (!info || size < kInfoHeaderLength)
        return {};
    const uint32_t headerSize = ReadU32(info);
    const int32_t width = ReadI32(info + 4);
    const int32_t height = ReadI32(info + 8);
    const uint16_t bpp = ReadU16(info + 14);
    const uint32_t compression = ReadU32(info + 16);
    const uint32_t colours = ReadU32(info + 32);
    if (headerSize < kInfoHeaderLength || headerSize > size)
        return {};
    if (colours > (size - headerSize) / 4)
        return {};
    if (compression != 0)
        return {};  // BI_RGB only: skin images and captured frames are never packed
    if (width <= 0 || width > kMaxDibSide || height == 0 || height < -kMaxDibSide ||
        height > kMaxDibSide)
        return {};
    const bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
    if (!paletted && bpp != 16 && bpp != 24 && bpp != 32)
        return {};
    if (paletted && colours == 0)
        return {};  // no table, no colours: the bits would be meaningless

    const uint8_t* palette = info + headerSize;
    const size_t bitsOffset = headerSize + size_t(colours) * 4;
    const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
    const size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
    if (stride * rows > size - bitsOffset)
        return {};
    const uint8_t* bits = info + bitsOffset;
    const bool topDown = height < 0;

    QImage image(width, static_cast<int>(rows), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    auto paletteColour = [&](unsigned index) -> QRgb {
        return index < colours ? FromBgr(palette + size_t(index) * 4) : qRgb(0, 0, 0);
    };
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* src = bits + (topDown ? y : rows - 1 - y) * stride;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (int x = 0; x < width; ++x) {
            switch (bpp) {
                case 1:
                    dst[x] = paletteColour((src[x / 8] >> (7 - x % 8)) & 1);
                    break;
                case 4:
                    dst[x] = paletteColour((src[x / 2] >> (x % 2 ? 0 : 4)) & 15);
                    break;
                case 8:
                    dst[x] = paletteColour(src[x]);
                    break;
                case 16: {
                    const unsigned p = ReadU16(src + size_t(x) * 2);
                    dst[x] = qRgb(Expand5((p >> 10) & 31), Expand5((p >> 5) & 31), Expand5(p & 31));
                    break;
                }
                case 24:
                    dst[x] = FromBgr(src + size_t(x) * 3);
                    break;
                default:
                    dst[x] = FromBgr(src + size_t(x) * 4);
                    break;
            }
        }
    }
    return image;
}

QPixmap CreateBitmapFromDib(const uint8_t* info, size_t size, QWidget*) {
    if (!info)
        return {};
    QImage image = ImageFromDib(info, size);
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image);
}

std::string SkinPath() {
    const std::string folder = ModuleFolder();
    if (folder.empty())
        return {};
    const std::string beside = folder + "skin.dat";
    const std::string shared = folder + "../share/veltra/skin.dat";
    if (beside.size() >= kMaxPath)
        return {};
    std::error_code ec;
    if (!std::filesystem::exists(beside, ec) && shared.size() < kMaxPath &&
        std::filesystem::exists(shared, ec))
        return shared;
    return beside;
}

std::string SkinFailureText(SkinFailure failure) {
    switch (failure) {
        case SkinFailure::None:
            break;
        case SkinFailure::Missing:
            return QCoreApplication::translate("SkinFile", kSkinMissingMessage).toStdString();
        case SkinFailure::Foreign:
            return QCoreApplication::translate("SkinFile", kSkinVersionMessage).toStdString();
    }
    return {};
}

SkinRead LoadSkinImages(QWidget* window, const std::string& path,
                        const std::vector<SkinRecordRef>& refs,
                        const std::vector<QPixmap*>& targets) {
    std::error_code ec;
    File file;
    // A folder opens fine with fopen and only fails on reading; it is as missing as no file.
    if (!path.empty() && path.size() < kMaxPath && std::filesystem::is_regular_file(path, ec))
        file.reset(std::fopen(path.c_str(), "rb"));
    if (!file) {
        qWarning() << "skin: cannot open" << path.c_str();
        return Refused(SkinFailure::Missing);
    }
    char signature[kSkinSignatureLength + 1] = {};
    if (std::fread(signature, 1, kSkinSignatureLength, file.get()) != kSkinSignatureLength ||
        std::strcmp(signature, kSkinSignature) != 0) {
        qWarning() << "skin: not a skin file" << path.c_str();
        return Refused(SkinFailure::Foreign);
    }

    const size_t n = refs.size() < targets.size() ? refs.size() : targets.size();
    unsigned count = 0;
    bool damaged = false;
    for (size_t i = 0; i < n && !damaged; ++i) {
        const SkinRecordRef& ref = refs[i];
        QPixmap* slot = targets[i];
        if (slot)
            *slot = QPixmap();
        std::unique_ptr<uint8_t[]> in, out;
        try {
            in.reset(new uint8_t[ref.packed ? ref.packed : 1]);
            out.reset(new uint8_t[ref.unpacked ? ref.unpacked : 1]());
        } catch (const std::bad_alloc&) {
            qWarning() << "skin: out of memory at record" << i;
            break;
        }
        // Only a record read whole counts: a file cut short once opened a window with no
        // images and no controls that nobody could close.
        if (ref.packed < kSkinRecordHeadLength ||
            std::fseek(file.get(), static_cast<long>(ref.offset), SEEK_SET) != 0 ||
            std::fread(in.get(), 1, ref.packed, file.get()) != ref.packed) {
            qWarning() << "skin: record at" << ref.offset << "is cut short";
            damaged = true;
            break;
        }
        // A record claiming more than the table gives room for, or one whose picture
        // does not read, is not from our file.
        if (ReadU32(in.get()) > ref.unpacked) {
            qWarning() << "skin: record at" << ref.offset << "claims more than it may hold";
            damaged = true;
            break;
        }
        const size_t written = UnpackRunLength(out.get(), ref.unpacked, in.get(), ref.packed);
        if (written > 0) {
            QPixmap image;
            if (written > kBmpFileHeaderLength)
                image = CreateBitmapFromDib(out.get() + kBmpFileHeaderLength,
                                            written - kBmpFileHeaderLength, window);
            if (image.isNull()) {
                qWarning() << "skin: record at" << ref.offset << "holds no readable picture";
                damaged = true;
                break;
            }
            if (slot)
                *slot = image;
        }
        ++count;
    }
    if (damaged) {
        for (size_t i = 0; i < n; ++i)
            if (targets[i])
                *targets[i] = QPixmap();
        return Refused(SkinFailure::Foreign);
    }
    return SkinRead{count, SkinFailure::None};
}

namespace {

void AddRecord(int record, QPixmap* slot, std::vector<SkinRecordRef>* refs,
               std::vector<QPixmap*>* targets) {
    refs->push_back(SkinRecord(record));
    targets->push_back(slot);
}

void AddFrame(FrameImages* frame, std::vector<SkinRecordRef>* refs,
              std::vector<QPixmap*>* targets) {
    for (int i = 0; i < 8; ++i) AddRecord(kRecFrameBottomLeft + i, &(*frame)[i], refs, targets);
}

// Buttons are stored hover, disabled, normal, pressed.
void AddButton(int first, ButtonImages* b, std::vector<SkinRecordRef>* refs,
               std::vector<QPixmap*>* targets) {
    AddRecord(first + kStateHover, &b->hover, refs, targets);
    AddRecord(first + kStateDisabled, &b->disabled, refs, targets);
    AddRecord(first + kStateNormal, &b->normal, refs, targets);
    AddRecord(first + kStatePressed, &b->pressed, refs, targets);
}

// Thumbs are stored hover, normal, pressed.
void AddThumb(int first, SliderImages* s, std::vector<SkinRecordRef>* refs,
              std::vector<QPixmap*>* targets) {
    AddRecord(first + kThumbHover, &s->hover, refs, targets);
    AddRecord(first + kThumbNormal, &s->normal, refs, targets);
    AddRecord(first + kThumbPressed, &s->pressed, refs, targets);
}

SkinRead Load(QWidget* window, const std::string& path, const std::vector<SkinRecordRef>& refs,
              const std::vector<QPixmap*>& targets) {
    const std::string file = path.empty() ? SkinPath() : path;
    if (file.empty()) {
        qWarning() << "skin: the program's own path is unusable";
        return {};
    }
    return LoadSkinImages(window, file, refs, targets);
}

}  // namespace

void MainSkinTable(MainSkin* s, std::vector<SkinRecordRef>* refs, std::vector<QPixmap*>* targets) {
    refs->clear();
    targets->clear();
    AddFrame(&s->frame, refs, targets);
    AddButton(kRecMinimize, &s->minimize, refs, targets);
    AddButton(kRecClose, &s->close, refs, targets);
    // The small thumbs serve the volume slider here; the editor loads them again.
    AddThumb(kRecSmallThumb, &s->volume, refs, targets);
    AddRecord(kRecVolumeChannel, &s->volume.channel, refs, targets);
    AddThumb(kRecSeekThumb, &s->seek, refs, targets);
    AddRecord(kRecSeekChannel, &s->seek.channel, refs, targets);
    for (auto [first, button] : {std::pair{kRecMainEdit, &s->edit},
                                 {kRecMainViewer, &s->viewer},
                                 {kRecMainMenu, &s->menu},
                                 {kRecMainOpen, &s->open},
                                 {kRecMainStop, &s->stop},
                                 {kRecMainPlay, &s->play},
                                 {kRecMainPause, &s->pause},
                                 {kRecMainPrevious, &s->previous},
                                 {kRecMainNext, &s->next}})
        AddButton(first, button, refs, targets);
    for (int i = 0; i < 3; ++i) AddRecord(kRecFooterLeft + i, &s->footer[i], refs, targets);
    AddRecord(kRecTitle, &s->title, refs, targets);
    AddRecord(kRecSizeGrip, &s->grip, refs, targets);
}

void EditorSkinTable(EditorSkin* s, std::vector<SkinRecordRef>* refs,
                     std::vector<QPixmap*>* targets) {
    refs->clear();
    targets->clear();
    AddFrame(&s->frame, refs, targets);
    AddButton(kRecClose, &s->close, refs, targets);
    AddThumb(kRecSmallThumb, &s->position, refs, targets);
    for (auto [first, button] : {std::pair{kRecEditorPlay, &s->play},
                                 {kRecEditorPause, &s->pause},
                                 {kRecEditorStop, &s->stop},
                                 {kRecEditorStill, &s->still},
                                 {kRecEditorForward, &s->forward},
                                 {kRecEditorBack, &s->back},
                                 {kRecEditorSettings, &s->settings},
                                 {kRecEditorExecute, &s->execute},
                                 {kRecEditorCancel, &s->cancel}})
        AddButton(first, button, refs, targets);
    AddRecord(kRecEditorChannel, &s->position.channel, refs, targets);
    AddRecord(kRecPreviewConverting, &s->previewConverting, refs, targets);
    AddRecord(kRecPreviewIdle, &s->previewIdle, refs, targets);
}

void ViewerSkinTable(ViewerSkin* s, std::vector<SkinRecordRef>* refs,
                     std::vector<QPixmap*>* targets) {
    refs->clear();
    targets->clear();
    AddFrame(&s->frame, refs, targets);
    AddButton(kRecFullScreen, &s->fullScreen, refs, targets);
    AddButton(kRecClose, &s->close, refs, targets);
    AddRecord(kRecSizeGrip, &s->grip, refs, targets);
}

SkinRead LoadMainSkin(QWidget* window, MainSkin* skin, const std::string& path) {
    if (!skin)
        return {};
    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    MainSkinTable(skin, &refs, &targets);
    return Load(window, path, refs, targets);
}

SkinRead LoadEditorSkin(QWidget* window, EditorSkin* skin, const std::string& path) {
    if (!skin)
        return {};
    skin->background = QColor(222, 230, 245);
    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    EditorSkinTable(skin, &refs, &targets);
    return Load(window, path, refs, targets);
}

SkinRead LoadViewerSkin(QWidget* window, ViewerSkin* skin, const std::string& path) {
    if (!skin)
        return {};
    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    ViewerSkinTable(skin, &refs, &targets);
    return Load(window, path, refs, targets);
}
