#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdlib>
#include <random>

#include "skin/skin_records.h"
#include "tools/skinpack/bmp_image.h"
#include "tools/skinpack/run_length.h"
#include "tools/skinpack/skin_layout.h"

using skinpack::Bytes;

namespace {

Bytes RoundTrip(const Bytes& data, size_t packedLength) {
    Bytes record;
    std::string error;
    EXPECT_TRUE(skinpack::PackRunLength(data, packedLength, &record, &error)) << error;
    EXPECT_EQ(record.size(), packedLength);
    Bytes out;
    EXPECT_TRUE(skinpack::UnpackRunLength(record.data(), record.size(), data.size(), &out, &error))
        << error;
    return out;
}

size_t Minimal(const Bytes& data) {
    return skinpack::MinimalPackedLength(data, skinpack::ChooseEscape(data));
}

// Every byte value occurs, so the escape byte is also data; with long runs mixed in.
Bytes MixedData() {
    std::mt19937 rng(7);
    Bytes data;
    for (int v = 0; v < 256; ++v) data.push_back(static_cast<uint8_t>(v));
    for (int i = 0; i < 2000; ++i) data.push_back(static_cast<uint8_t>(rng() % 256));
    data.insert(data.end(), 700, 0x41);
    data.insert(data.end(), 3, 0x42);
    for (int v = 0; v < 256; ++v) data.insert(data.end(), 300, static_cast<uint8_t>(v));
    return data;
}

Bytes ReadFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return Bytes(all.begin(), all.end());
}

std::string SkinPath() {
    return std::string(std::getenv("VELTRA_BIN_DIR")) + "/skin.dat";
}

}  // namespace

TEST(RunLength, RoundTripsArbitraryDataIncludingEscapeAndLongRuns) {
    const Bytes mixed = MixedData();
    EXPECT_EQ(RoundTrip(mixed, Minimal(mixed)), mixed);

    std::mt19937 rng(11);
    Bytes noise(5000);
    for (auto& b : noise) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(RoundTrip(noise, Minimal(noise)), noise);

    const Bytes oneLongRun(100000, 0x00);
    EXPECT_EQ(RoundTrip(oneLongRun, Minimal(oneLongRun)), oneLongRun);
    EXPECT_LT(Minimal(oneLongRun), 100000u / 80);

    const Bytes single{0x7f};
    EXPECT_EQ(RoundTrip(single, Minimal(single)), single);
}

TEST(RunLength, EscapeAsDataIsWrittenAsRun) {
    Bytes data;
    for (int v = 0; v < 256; ++v) data.insert(data.end(), 2, static_cast<uint8_t>(v));
    data.push_back(0x10);  // 0x10 becomes the only value with a different count...
    const uint8_t escape = skinpack::ChooseEscape(data);
    Bytes record;
    std::string error;
    ASSERT_TRUE(skinpack::PackRunLength(data, Minimal(data), &record, &error)) << error;
    EXPECT_EQ(record[4], escape);
    // ... and every escape in the stream opens a run; none stands as a literal.
    for (size_t i = 5; i < record.size();) {
        if (record[i] == escape) {
            ASSERT_LE(i + 3, record.size());
            i += 3;
        } else {
            ++i;
        }
    }
    EXPECT_EQ(RoundTrip(data, Minimal(data)), data);
}

TEST(RunLength, PaddingReachesEveryLengthFromTheMinimalOne) {
    for (const Bytes& data : {MixedData(), Bytes(1000, 0xAA), Bytes(7, 0)}) {
        const size_t minimal = Minimal(data);
        for (size_t length = minimal; length < minimal + 40; ++length)
            EXPECT_EQ(RoundTrip(data, length), data) << "length " << length;
        EXPECT_EQ(RoundTrip(data, minimal + 50000), data);

        Bytes record;
        std::string error;
        EXPECT_FALSE(skinpack::PackRunLength(data, minimal - 1, &record, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(RunLength, StreamWithoutRunsCannotGrowByOneByte) {
    // Only distinct literals: +2 (a literal as a one-count run) and +3 (an empty run)
    // exist, so exactly one extra byte cannot be spent inside the stream.
    const Bytes data{1, 2, 3, 4, 5};
    const size_t minimal = Minimal(data);
    Bytes record;
    std::string error;
    EXPECT_FALSE(skinpack::PackRunLength(data, minimal + 1, &record, &error));
    EXPECT_NE(error.find("cannot pad"), std::string::npos);
    for (size_t length = minimal + 2; length < minimal + 12; ++length)
        EXPECT_EQ(RoundTrip(data, length), data) << "length " << length;
}

TEST(RunLength, UnpackerStaysInsideBothBuffers) {
    Bytes out;
    std::string error;
    // Declared 4 bytes, escape 0xEE: a zero-count run, then a run of 4 'x'.
    const Bytes good{4, 0, 0, 0, 0xEE, 0xEE, 1, 0, 0xEE, 'x', 4};
    ASSERT_TRUE(skinpack::UnpackRunLength(good.data(), good.size(), 4, &out, &error)) << error;
    EXPECT_EQ(out, Bytes(4, 'x'));

    // An unpacked length of 0 still takes the first token.
    const Bytes empty{0, 0, 0, 0, 0xEE, 'a'};
    ASSERT_TRUE(skinpack::UnpackRunLength(empty.data(), empty.size(), 1, &out, &error));
    EXPECT_EQ(out, Bytes{'a'});

    const Bytes overflowing{4, 0, 0, 0, 0xEE, 0xEE, 'x', 9};
    EXPECT_FALSE(
        skinpack::UnpackRunLength(overflowing.data(), overflowing.size(), 4, &out, &error));
    const Bytes cutOff{4, 0, 0, 0, 0xEE, 'a', 0xEE, 'x'};
    EXPECT_FALSE(skinpack::UnpackRunLength(cutOff.data(), cutOff.size(), 4, &out, &error));
    const Bytes tooShort{4, 0, 0, 0, 0xEE, 'a', 'b'};
    EXPECT_FALSE(skinpack::UnpackRunLength(tooShort.data(), tooShort.size(), 4, &out, &error));
    const Bytes overDeclared{9, 0, 0, 0, 0xEE, 'a'};
    EXPECT_FALSE(
        skinpack::UnpackRunLength(overDeclared.data(), overDeclared.size(), 4, &out, &error));
}

TEST(Bmp, PalettisedImageDecodesToItsPixelsAtTheExactLength) {
    QImage img(13, 7, QImage::Format_RGB32);
    img.fill(QColor(222, 230, 245));
    for (int x = 0; x < 13; ++x) img.setPixelColor(x, 3, QColor(20, 40, 90));
    img.setPixelColor(12, 6, QColor(255, 0, 0));
    for (int bits : {4, 8, 24}) {
        Bytes bmp;
        std::string error;
        const size_t length = 54 + 64 + skinpack::BmpRowStride(13, bits) * 7 + 3;
        ASSERT_TRUE(skinpack::EncodeBmp(img, bits, length, 16, &bmp, &error)) << error;
        EXPECT_EQ(bmp.size(), length);
        EXPECT_EQ(skinpack::CheckBmp(bmp), "");
        const QImage back = QImage::fromData(bmp.data(), static_cast<int>(bmp.size()), "BMP");
        ASSERT_FALSE(back.isNull()) << bits;
        EXPECT_EQ(back.pixelColor(5, 3), QColor(20, 40, 90)) << bits;
        EXPECT_EQ(back.pixelColor(12, 6), QColor(255, 0, 0)) << bits;
        EXPECT_EQ(back.pixelColor(0, 0), QColor(222, 230, 245)) << bits;
    }
    Bytes bmp;
    std::string error;
    EXPECT_FALSE(skinpack::EncodeBmp(img, 24, 54 + 40 * 7 - 1, 0, &bmp, &error));
}

TEST(Bmp, CheckRejectsBitsOutsideTheRecord) {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    Bytes bmp;
    std::string error;
    ASSERT_TRUE(skinpack::EncodeBmp(img, 8, 54 + 8 + 64, 2, &bmp, &error)) << error;
    Bytes taller = bmp;
    taller[22] = 9;  // biHeight one row more than the record holds
    EXPECT_NE(skinpack::CheckBmp(taller), "");
    Bytes noTable = bmp;
    noTable[46] = 0;  // palettised without biClrUsed
    EXPECT_NE(skinpack::CheckBmp(noTable), "");
}

TEST(SkinFile, GeneratedFileHasTheExactLayout) {
    const Bytes file = ReadFile(SkinPath());
    ASSERT_EQ(file.size(), kSkinFileSize) << SkinPath();
    EXPECT_EQ(skinpack::VerifySkinFile(file), "");
}

TEST(SkinFile, LayoutCheckRejectsWrongLengthsAndSignature) {
    const Bytes file = ReadFile(SkinPath());
    ASSERT_EQ(file.size(), kSkinFileSize);

    Bytes shorter(file.begin(), file.end() - 1);
    EXPECT_NE(skinpack::VerifySkinFile(shorter), "");
    Bytes longer = file;
    longer.push_back(0);
    EXPECT_NE(skinpack::VerifySkinFile(longer), "");

    Bytes wrongDeclared = file;
    wrongDeclared[SkinRecord(kRecTitle).offset] ^= 1;  // unpacked length of one record
    EXPECT_NE(skinpack::VerifySkinFile(wrongDeclared), "");

    Bytes version = file;
    version[kSkinSignatureLength - 1] = '1';  // signature followed by a non-zero byte
    EXPECT_NE(skinpack::VerifySkinFile(version), "");

    std::vector<Bytes> records;
    for (const SkinRecordRef& ref : kSkinRecords)
        records.emplace_back(file.begin() + ref.offset, file.begin() + ref.offset + ref.packed);
    Bytes assembled;
    std::string error;
    ASSERT_TRUE(skinpack::AssembleSkinFile(records, &assembled, &error)) << error;
    EXPECT_EQ(assembled, file);
    records[10].pop_back();
    EXPECT_FALSE(skinpack::AssembleSkinFile(records, &assembled, &error));
}

TEST(SkinFile, ImagesMatchTheWindowLayouts) {
    const Bytes file = ReadFile(SkinPath());
    ASSERT_EQ(file.size(), kSkinFileSize);
    auto size = [&](int record) {
        const SkinRecordRef& ref = SkinRecord(record);
        Bytes bmp;
        std::string error;
        EXPECT_TRUE(skinpack::UnpackRunLength(file.data() + ref.offset, ref.packed, ref.unpacked,
                                              &bmp, &error));
        return QImage::fromData(bmp.data(), static_cast<int>(bmp.size()), "BMP").size();
    };
    // Every state of a button has one size, or the button would jump between states.
    for (int first = kRecMinimize; first < kRecSmallThumb; first += 4)
        for (int s = 1; s < 4; ++s) EXPECT_EQ(size(first + s), size(first)) << first;
    const QSize play = size(kRecMainPlay + static_cast<int>(kStateNormal));
    EXPECT_EQ(size(kRecMainPause + static_cast<int>(kStateNormal)), play);
    for (int r : {kRecMainOpen, kRecMainStop, kRecMainPrevious, kRecMainNext}) {
        EXPECT_LT(size(r + static_cast<int>(kStateNormal)).height(), play.height());
        EXPECT_LE(196 + play.height(), 240);  // clear of the seek slider
    }
    EXPECT_EQ(size(kRecSeekChannel).width(), 338);
    EXPECT_EQ(size(kRecSeekThumb + static_cast<int>(kThumbNormal)).height(),
              size(kRecSeekChannel).height());
    EXPECT_EQ(size(kRecFooterLeft).height(), size(kRecFooterMiddle).height());
    EXPECT_LE(35 + size(kRecMainMenu + static_cast<int>(kStateNormal)).height(),
              50);  // above the list view
    // The title ends before minimize, which sits 10 pixels left of close.
    const int minimizeLeft = 360 - size(kRecClose + static_cast<int>(kStateNormal)).width() - 10 -
                             size(kRecMinimize + static_cast<int>(kStateNormal)).width();
    EXPECT_LT(20 + size(kRecTitle).width(), minimizeLeft);
    EXPECT_EQ(size(kRecPreviewIdle), QSize(240, 180));
}

#ifdef VELTRA_TEST_RESOURCES
TEST(Resources, SplashAndIconAreLinkedIn) {
    ASSERT_TRUE(QFile(QStringLiteral(":/resources/splash.bmp")).exists());
    ASSERT_TRUE(QFile(QStringLiteral(":/resources/veltra.png")).exists());
    EXPECT_EQ(QImage(QStringLiteral(":/resources/splash.bmp")).size(), QSize(400, 300));
    EXPECT_EQ(QImage(QStringLiteral(":/resources/veltra.png")).size(), QSize(128, 128));
}
#endif
