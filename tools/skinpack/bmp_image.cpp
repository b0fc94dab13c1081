#include "tools/skinpack/bmp_image.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace skinpack {
namespace {

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::vector<QRgb> MostFrequentColours(const QImage& img, int limit) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) ++counts[line[x] | 0xff000000u];
    }
    std::vector<std::pair<int, QRgb>> order;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        order.push_back({it.value(), it.key()});
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<QRgb> palette;
    for (size_t i = 0; i < order.size() && static_cast<int>(i) < limit; ++i)
        palette.push_back(order[i].second);
    return palette;
}

int Nearest(const std::vector<QRgb>& palette, QRgb c) {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = qRed(c) - qRed(palette[i]);
        const long dg = qGreen(c) - qGreen(palette[i]);
        const long db = qBlue(c) - qBlue(palette[i]);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace

size_t BmpRowStride(int width, int bits) {
    return ((static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32) * 4;
}

bool EncodeBmp(const QImage& source, int bits, size_t length, int colours, Bytes* out,
               std::string* error) {
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const int w = img.width();
    const int h = img.height();
    const size_t stride = BmpRowStride(w, bits);
    const size_t headers = 54;
    const size_t pixelBytes = stride * static_cast<size_t>(h);
    size_t tableEntries = 0;
    if (bits <= 8) {
        if (headers + pixelBytes > length) {
            *error = "pixel bits do not fit";
            return false;
        }
        tableEntries = std::min<size_t>((length - headers - pixelBytes) / 4, size_t{1} << bits);
        if (tableEntries < 2) {
            *error = "no room for a colour table";
            return false;
        }
    }
    const size_t bitsAt = headers + 4 * tableEntries;
    if (bitsAt + pixelBytes > length) {
        *error = "a " + std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(bits) +
                 "-bit image needs " + std::to_string(bitsAt + pixelBytes) + " bytes, record has " +
                 std::to_string(length);
        return false;
    }
    Bytes b(length, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(length));
    Put32(b, 10, static_cast<uint32_t>(bitsAt));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<uint32_t>(w));
    Put32(b, 22, static_cast<uint32_t>(h));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<uint32_t>(bits));
    Put32(b, 46, static_cast<uint32_t>(tableEntries));  // biClrUsed; the rest stays zero

    std::vector<QRgb> palette;
    if (bits <= 8) {
        palette = MostFrequentColours(img, std::min<int>(colours, static_cast<int>(tableEntries)));
        for (size_t i = 0; i < palette.size(); ++i) {
            b[headers + 4 * i] = static_cast<uint8_t>(qBlue(palette[i]));
            b[headers + 4 * i + 1] = static_cast<uint8_t>(qGreen(palette[i]));
            b[headers + 4 * i + 2] = static_cast<uint8_t>(qRed(palette[i]));
        }
    }
    QHash<QRgb, int> indexOf;
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        uint8_t* row = b.data() + bitsAt + stride * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] | 0xff000000u;
            if (bits == 24) {
                row[3 * x] = static_cast<uint8_t>(qBlue(c));
                row[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
                row[3 * x + 2] = static_cast<uint8_t>(qRed(c));
                continue;
            }
            auto it = indexOf.find(c);
            if (it == indexOf.end())
                it = indexOf.insert(c, Nearest(palette, c));
            const int idx = it.value();
            if (bits == 8) {
                row[x] = static_cast<uint8_t>(idx);
            } else {
                const size_t at = static_cast<size_t>(x) / 2;
                row[at] = static_cast<uint8_t>(row[at] | ((x % 2 == 0) ? idx << 4 : idx));
            }
        }
        const size_t used = (static_cast<size_t>(w) * static_cast<size_t>(bits) + 7) / 8;
        for (size_t i = used; i < stride && used > 0; ++i) row[i] = row[used - 1];
    }
    *out = std::move(b);
    return true;
}

std::string CheckBmp(const Bytes& bmp) {
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M')
        return "not a BMP file";
    if (Get32(bmp, 2) != bmp.size())
        return "bfSize differs from the record length";
    const uint32_t infoSize = Get32(bmp, 14);
    if (infoSize != 40)
        return "info header is not a BITMAPINFOHEADER";
    const int32_t w = static_cast<int32_t>(Get32(bmp, 18));
    const int32_t h = static_cast<int32_t>(Get32(bmp, 22));
    const uint32_t bits = bmp[28] | bmp[29] << 8;
    const uint32_t compression = Get32(bmp, 30);
    const uint32_t clrUsed = Get32(bmp, 46);
    if (w <= 0 || h <= 0 || w > 4096 || h > 4096)
        return "implausible image size";
    if (bits != 24 && bits != 8 && bits != 4)
        return "unexpected bit depth";
    if (compression != 0)
        return "compressed pixel bits";
    if (bits <= 8 && (clrUsed == 0 || clrUsed > (1u << bits)))
        return "palettised image without an explicit colour table";
    if (bits == 24 && clrUsed != 0)
        return "true-colour image with a colour table";
    const size_t bitsAt = 14 + infoSize + 4 * static_cast<size_t>(clrUsed);
    const size_t need = bitsAt + BmpRowStride(w, static_cast<int>(bits)) * static_cast<size_t>(h);
    if (need > bmp.size())
        return "pixel bits run past the end of the record";
    return {};
}

}  // namespace skinpack
