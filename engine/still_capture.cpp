#include "engine/still_capture.h"

#include <QCoreApplication>

#include <QDebug>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/user_prompts.h"

namespace {

constexpr size_t kMaxStillPath = PATH_MAX;
constexpr int kStillNumbers = 1000;

void Put16(std::string& out, size_t at, uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// Frees a captured bitmap however the capture ends.
struct CapturedDib {
    uint8_t* bits = nullptr;
    ~CapturedDib() { CoTaskMemFree(bits); }
};

}  // namespace

std::string StillPathFor(const std::string& mediaPath, int number) {
    size_t slash = mediaPath.rfind('/');
    std::string folder;
    std::string name = mediaPath;
    if (slash != std::string::npos) {
        folder = mediaPath.substr(0, slash);
        name = mediaPath.substr(slash + 1);
    }
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%03d.bmp", number);
    if (slash == std::string::npos)
        return name + suffix;  // a bare name: beside it in the working folder
    return folder + "/" + name + suffix;
}

std::string FirstFreeStillPath(const std::string& mediaPath) {
    for (int i = 0; i < kStillNumbers; ++i) {
        std::string candidate = StillPathFor(mediaPath, i);
        if (!NameExists(candidate))
            return candidate;
    }
    return "";
}

QImage ImageFromPackedDib(const uint8_t* dib, size_t bytes) {
    if (!dib || (bytes != 0 && bytes < 40))
        return QImage();
    uint32_t headerSize = Get32(dib);
    int32_t width = static_cast<int32_t>(Get32(dib + 4));
    int32_t height = static_cast<int32_t>(Get32(dib + 8));
    uint16_t bpp = Get16(dib + 14);
    uint32_t compression = Get32(dib + 16);
    uint32_t used = Get32(dib + 32);
    if (headerSize < 40 || width <= 0 || height == 0 || height == INT32_MIN || compression != 0)
        return QImage();
    bool topDown = height < 0;
    int rows = topDown ? -height : height;
    if (width > 32768 || rows > 32768)
        return QImage();
    size_t colours = 0;
    QImage::Format format;
    switch (bpp) {
        case 1:
            format = QImage::Format_Mono;
            colours = used ? used : 2;
            break;
        case 8:
            format = QImage::Format_Indexed8;
            colours = used ? used : 256;
            break;
        case 16:
            format = QImage::Format_RGB555;
            break;
        case 24:
            format = QImage::Format_BGR888;
            break;
        case 32:
            format = QImage::Format_RGB32;
            break;
        default:
            return QImage();
    }
    if (colours > 256)
        return QImage();
    size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    size_t tableAt = headerSize;
    size_t bitsAt = tableAt + 4 * colours;
    size_t need = bitsAt + stride * rows;
    if (bytes != 0 && bytes < need)
        return QImage();

    QImage image(width, rows, format);
    if (image.isNull())
        return QImage();
    if (colours) {
        QVector<QRgb> table;
        for (size_t i = 0; i < colours; ++i) {
            const uint8_t* e = dib + tableAt + 4 * i;
            table.push_back(qRgb(e[2], e[1], e[0]));
        }
        image.setColorTable(table);
    }
    size_t rowBytes = std::min(stride, static_cast<size_t>(image.bytesPerLine()));
    for (int y = 0; y < rows; ++y) {
        const uint8_t* src = dib + bitsAt + stride * (topDown ? y : rows - 1 - y);
        uchar* dst = image.scanLine(y);
        std::memcpy(dst, src, rowBytes);
        if (bpp == 32) {
            // The fourth byte is reserved in a BMP, opaque in the image.
            for (int x = 0; x < width; ++x) dst[4 * x + 3] = 0xFF;
        }
    }
    return image;
}

std::string BitmapFileBytes(const QImage& source) {
    if (source.isNull())
        return "";
    QImage image = source;
    int bpp;
    switch (image.format()) {
        case QImage::Format_Mono:
            bpp = 1;
            break;
        case QImage::Format_MonoLSB:
            image = image.convertToFormat(QImage::Format_Mono);
            bpp = 1;
            break;
        case QImage::Format_Indexed8:
            bpp = 8;
            break;
        case QImage::Format_RGB555:
            bpp = 16;
            break;
        case QImage::Format_RGB16:
            image = image.convertToFormat(QImage::Format_RGB555);
            bpp = 16;
            break;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            image = image.convertToFormat(QImage::Format_RGB32);
            bpp = 32;
            break;
        default:
            image = image.convertToFormat(QImage::Format_BGR888);
            bpp = 24;
            break;
    }
    if (image.isNull())
        return "";
    const uint32_t width = static_cast<uint32_t>(image.width());
    const uint32_t height = static_cast<uint32_t>(image.height());
    const uint32_t colours = bpp == 1 ? 2 : bpp == 4 ? 16 : bpp == 8 ? 256 : 0;
    const uint32_t stride = ((width * bpp + 31) / 32) * 4;
    const uint32_t offset = 54 + 4 * colours;
    const uint64_t size = uint64_t(offset) + uint64_t(stride) * height;
    if (size > 0xFFFFFFFFull)
        return "";

    std::string out(static_cast<size_t>(size), '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(size));
    Put32(out, 10, offset);
    Put32(out, 14, 40);
    Put32(out, 18, width);
    Put32(out, 22, height);
    Put16(out, 26, 1);
    Put16(out, 28, static_cast<uint16_t>(bpp));
    // Compression, image size, resolutions and colour counts stay 0.
    const QVector<QRgb> table = image.colorTable();
    for (uint32_t i = 0; i < colours && i < static_cast<uint32_t>(table.size()); ++i) {
        size_t at = 54 + 4 * i;
        out[at] = static_cast<char>(qBlue(table[i]));
        out[at + 1] = static_cast<char>(qGreen(table[i]));
        out[at + 2] = static_cast<char>(qRed(table[i]));
    }
    const size_t rowBytes = std::min<size_t>((size_t(width) * bpp + 7) / 8, stride);
    for (uint32_t y = 0; y < height; ++y) {
        char* dst = out.data() + offset + size_t(stride) * (height - 1 - y);
        std::memcpy(dst, image.constScanLine(static_cast<int>(y)), rowBytes);
        if (bpp == 32) {
            for (uint32_t x = 0; x < width; ++x) dst[4 * x + 3] = 0;
        }
        if (bpp == 1 && width % 8) {
            // Bits beyond the last pixel are fill, like the rest of the padding.
            dst[rowBytes - 1] = static_cast<char>(dst[rowBytes - 1] & (0xFF << (8 - width % 8)));
        }
    }
    return out;
}

BOOL SaveBitmapFile(const QImage& image, const std::string& path, bool replace) {
    if (path.empty() || path.size() + 1 > kMaxStillPath)
        return FALSE;
    std::string bytes = BitmapFileBytes(image);
    if (bytes.empty())
        return FALSE;

    // Written aside and synced; a new name is taken only while free, a replaced file
    // stays as it was until its successor is complete.
    AtomicFile file;
    const bool ok =
        file.Open(path, replace ? AtomicFile::Commit::Replace : AtomicFile::Commit::NoReplace) &&
        file.Write(bytes) && file.Finish();
    if (!ok) {
        const int err = file.Error();
        qWarning("[still] writing %s failed: %s", path.c_str(), std::strerror(err));
        errno = err;
        return FALSE;
    }
    return TRUE;
}

std::string StillOutcomeText(const StillOutcome& outcome) {
    switch (outcome.kind) {
        case StillOutcome::Kind::NotOffered:
        case StillOutcome::Kind::Declined:
            break;
        case StillOutcome::Kind::CaptureFailed:
            return QCoreApplication::translate("StillCapture", "サムネイルの取得に失敗しました。")
                .toStdString();
        case StillOutcome::Kind::SaveFailed:
            return QCoreApplication::translate("StillCapture", "サムネイルの作成に失敗しました。")
                .toStdString();
        case StillOutcome::Kind::Saved:
            return QCoreApplication::translate("StillCapture", "%1 に\nサムネイルを作成しました。")
                .arg(QString::fromStdString(outcome.path))
                .toStdString();
    }
    return {};
}

StillOutcome CaptureStill(StillCaptureHost& host) {
    using Kind = StillOutcome::Kind;
    if (host.IsOggItem())
        return {Kind::NotOffered, {}};  // there is no picture to keep
    if (host.PreviewRunning())
        host.PausePreview();

    const std::string media = host.MediaPath();
    std::string target = FirstFreeStillPath(media);
    bool chosenByUser = false;
    if (target.empty()) {
        FilePromptRequest request;
        request.save = true;
        request.filter =
            QCoreApplication::translate("StillCapture", "Still Files (*.bmp)").toStdString() +
            "|*.bmp||";
        request.initialPath = StillPathFor(media, kStillNumbers - 1);
        if (!host.ChooseStillPath(request, &target) || target.empty())
            return {Kind::Declined, {}};
        chosenByUser = true;
    }

    CapturedDib dib;
    if (!host.CaptureCurrentImage(&dib.bits) || !dib.bits)
        return {Kind::CaptureFailed, {}};
    QImage image = ImageFromPackedDib(dib.bits);
    bool saved = false;
    if (!image.isNull()) {
        if (chosenByUser) {
            saved = SaveBitmapFile(image, target, true);
        } else {
            // Another program may take a free name between the look and the write: the
            // file is then left alone and the next free number is used.
            for (int attempt = 0; attempt < kStillNumbers && !target.empty(); ++attempt) {
                saved = SaveBitmapFile(image, target, false);
                if (saved || errno != EEXIST)
                    break;
                target = FirstFreeStillPath(media);
            }
        }
    }
    if (!saved)
        return {Kind::SaveFailed, {}};
    return {Kind::Saved, target};
}
