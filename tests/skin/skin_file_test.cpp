#include "skin/skin_file.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QTranslator>
#include <algorithm>
#include <climits>
#include <random>
#include <set>

#include "tests/skin/skin_pack.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

using skintest::Bytes;
using skintest::PutU32;

constexpr uint8_t E = 0xE5;

Bytes Record(uint32_t declared, std::initializer_list<uint8_t> tokens) {
    Bytes r(5, 0);
    PutU32(r, 0, declared);
    r[4] = E;
    r.insert(r.end(), tokens);
    return r;
}

size_t Unpack(const Bytes& rec, Bytes* out) {
    return UnpackRunLength(out->data(), out->size(), rec.data(), rec.size());
}

TEST(UnpackRunLength, TokensAsTheFormatDefines) {
    Bytes out(16, 0xCC);
    // A count of 0 writes nothing and the next token is read normally; the escape byte
    // itself comes through its (E, E, 1) run.
    EXPECT_EQ(Unpack(Record(5, {1, E, 9, 0, 2, E, E, 1, E, 7, 2}), &out), 5u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{1, 2, E, 7, 7, 0xCC}));
    // Bytes left over behind the declared length are ignored.
    out.assign(16, 0xCC);
    EXPECT_EQ(Unpack(Record(2, {4, 5, 6, 7}), &out), 2u);
    EXPECT_EQ(out[2], 0xCC);
    // A run is written whole even when it overshoots the declared length.
    EXPECT_EQ(Unpack(Record(2, {E, 3, 5}), &out), 5u);
}

TEST(UnpackRunLength, LengthZeroStillTakesTheFirstToken) {
    Bytes out(8, 0);
    EXPECT_EQ(Unpack(Record(0, {9, 9}), &out), 1u);
    EXPECT_EQ(Unpack(Record(0, {E, 4, 3, 9}), &out), 3u);
    EXPECT_EQ(out[0], 4);
}

TEST(UnpackRunLength, StaysInsideBothBuffers) {
    // A run past the output is cut at its end, whatever the record declares.
    Bytes out(4, 0), canary(8, 0xCC);
    Bytes rec = Record(200, {E, 1, 200, E, 2, 200});
    EXPECT_EQ(UnpackRunLength(canary.data(), 4, rec.data(), rec.size()), 4u);
    EXPECT_EQ(canary[4], 0xCC);
    // A run cut off by the end of the record writes nothing; a head alone writes nothing.
    EXPECT_EQ(Unpack(Record(10, {3, E, 8}), &out), 1u);
    EXPECT_EQ(Unpack(Record(10, {E}), &out), 0u);
    EXPECT_EQ(Unpack(Record(10, {}), &out), 0u);
    Bytes shortHead = {1, 0, 0};
    EXPECT_EQ(UnpackRunLength(out.data(), out.size(), shortHead.data(), shortHead.size()), 0u);
    // An output of no room still reads its first token safely.
    EXPECT_EQ(UnpackRunLength(out.data(), 0, rec.data(), rec.size()), 0u);
}

TEST(UnpackRunLength, RoundTripsThePacker) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        Bytes data(1 + rng() % 3000);
        for (auto& b : data) b = rng() % 4 ? static_cast<uint8_t>(rng() % 3 + E - 1) : rng();
        Bytes rec = skintest::PackRecord(data, E, 0, static_cast<uint32_t>(data.size()));
        Bytes out(data.size());
        ASSERT_EQ(Unpack(rec, &out), data.size());
        EXPECT_EQ(out, data);
    }
}

// ---- BMP interpretation ----

QImage Dib(const Bytes& b) {
    return ImageFromDib(b.data(), b.size());
}

TEST(ImageFromDib, PixelFormatsAndRowOrder) {
    // 24 bits, 2 x 2, bottom-up: the first stored row is the bottom one.
    Bytes b = skintest::InfoHeader(2, 2, 24, 0, 16);
    const uint8_t rows[16] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    std::copy(rows, rows + 16, b.begin() + 40);
    QImage img = Dib(b);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(2, 2));
    EXPECT_EQ(img.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 255, 255));
    // The same bits top-down.
    PutU32(b, 8, static_cast<uint32_t>(-2));
    img = Dib(b);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));

    // 8 bits with a two-colour table; an index past the table is black.
    Bytes p = skintest::InfoHeader(3, 1, 8, 2, 4);
    const uint8_t table[8] = {10, 20, 30, 0, 40, 50, 60, 0};
    std::copy(table, table + 8, p.begin() + 40);
    p[48] = 1, p[49] = 0, p[50] = 9;
    img = Dib(p);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(0, 0), qRgb(60, 50, 40));
    EXPECT_EQ(img.pixel(1, 0), qRgb(30, 20, 10));
    EXPECT_EQ(img.pixel(2, 0), qRgb(0, 0, 0));

    // 1 and 4 bits read from the high bits first.
    Bytes one = skintest::InfoHeader(9, 1, 1, 2, 4);
    std::copy(table, table + 8, one.begin() + 40);
    one[48] = 0x80, one[49] = 0x80;
    img = Dib(one);
    EXPECT_EQ(img.pixel(0, 0), qRgb(60, 50, 40));
    EXPECT_EQ(img.pixel(1, 0), qRgb(30, 20, 10));
    EXPECT_EQ(img.pixel(8, 0), qRgb(60, 50, 40));
    Bytes four = skintest::InfoHeader(2, 1, 4, 2, 4);
    std::copy(table, table + 8, four.begin() + 40);
    four[48] = 0x01;
    img = Dib(four);
    EXPECT_EQ(img.pixel(0, 0), qRgb(30, 20, 10));
    EXPECT_EQ(img.pixel(1, 0), qRgb(60, 50, 40));

    // 16 bits are 5-5-5; 32 bits are B, G, R and an unused byte.
    Bytes s = skintest::InfoHeader(2, 1, 16, 0, 4);
    skintest::PutU16(s, 40, 0x7C00);
    skintest::PutU16(s, 42, 0x001F);
    img = Dib(s);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(0, 0, 255));
    Bytes t = skintest::InfoHeader(1, 1, 32, 0, 4);
    t[40] = 1, t[41] = 2, t[42] = 3, t[43] = 99;
    EXPECT_EQ(Dib(t).pixel(0, 0), qRgb(3, 2, 1));
}

TEST(ImageFromDib, RefusesHeadersThatPointOutsideTheBuffer) {
    const Bytes good = skintest::InfoHeader(4, 4, 24, 0, 48);
    ASSERT_FALSE(Dib(good).isNull());
    auto with = [&](size_t at, uint32_t v) {
        Bytes b = good;
        PutU32(b, at, v);
        return b;
    };
    EXPECT_TRUE(Dib(with(0, 39)).isNull());            // biSize too small
    EXPECT_TRUE(Dib(with(0, 0xFFFFFFF0u)).isNull());   // biSize past the end
    EXPECT_TRUE(Dib(with(0, 60)).isNull());            // bits no longer fit
    EXPECT_TRUE(Dib(with(32, 0x40000000u)).isNull());  // colour table past the end
    EXPECT_TRUE(Dib(with(32, 3)).isNull());            // table eats the bits
    EXPECT_TRUE(Dib(with(8, 5)).isNull());             // one row too many
    EXPECT_TRUE(Dib(with(4, 0)).isNull());
    EXPECT_TRUE(Dib(with(8, 0)).isNull());
    EXPECT_TRUE(Dib(with(8, static_cast<uint32_t>(INT_MIN))).isNull());
    EXPECT_TRUE(Dib(with(4, 0x7FFFFFFF)).isNull());
    EXPECT_TRUE(Dib(with(16, 1)).isNull());  // packed bits
    EXPECT_TRUE(Dib(skintest::InfoHeader(4, 4, 2, 0, 64)).isNull());
    EXPECT_TRUE(Dib(skintest::InfoHeader(4, 4, 8, 0, 64)).isNull());  // index without table
    EXPECT_TRUE(ImageFromDib(good.data(), 39).isNull());
    EXPECT_TRUE(ImageFromDib(nullptr, 100).isNull());
    EXPECT_TRUE(CreateBitmapFromDib(nullptr, 100, nullptr).isNull());
    EXPECT_EQ(CreateBitmapFromDib(good.data(), good.size(), nullptr).size(), QSize(4, 4));
}

// ---- skin.dat ----

class SkinFileTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("skin"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string Write(const Bytes& bytes, const char* name = "skin.dat") {
        std::string path = dir + "/" + name;
        EXPECT_TRUE(skintest::WriteBytes(path, bytes));
        return path;
    }
    std::string dir;
    ScriptedPrompts prompts;
};

// Grey level of the images the test packer writes: the record number.
int GreyOf(const QPixmap& p) {
    return p.isNull() ? -1 : qRed(p.toImage().pixel(0, 0));
}

TEST_F(SkinFileTest, TheTestPackerMatchesTheTableLayout) {
    ASSERT_TRUE(skintest::AllRecordsFit());
    EXPECT_EQ(skintest::SkinFileBytes().size(), kSkinFileSize);
    EXPECT_EQ(kSkinRecords.back().offset + kSkinRecords.back().packed, kSkinFileSize);
}

TEST_F(SkinFileTest, EveryWindowGetsItsOwnRecordsInItsOwnSlots) {
    const std::string path = Write(skintest::SkinFileBytes());
    MainSkin main;
    ASSERT_TRUE(LoadMainSkin(nullptr, &main, path));
    EXPECT_TRUE(prompts.Boxes().empty());
    EXPECT_EQ(GreyOf(main.frame[0]), 1);
    EXPECT_EQ(GreyOf(main.frame[7]), 8);
    EXPECT_EQ(GreyOf(main.minimize.normal), 11);
    EXPECT_EQ(GreyOf(main.minimize.pressed), 12);
    EXPECT_EQ(GreyOf(main.minimize.hover), 9);
    EXPECT_EQ(GreyOf(main.minimize.disabled), 10);
    EXPECT_EQ(GreyOf(main.volume.normal), 22);
    EXPECT_EQ(GreyOf(main.volume.pressed), 23);
    EXPECT_EQ(GreyOf(main.volume.hover), 21);
    EXPECT_EQ(GreyOf(main.volume.channel), 24);
    EXPECT_EQ(GreyOf(main.seek.normal), 26);
    EXPECT_EQ(GreyOf(main.seek.channel), 28);
    EXPECT_EQ(GreyOf(main.next.pressed), 64);
    EXPECT_EQ(GreyOf(main.footer[1]), 66);
    EXPECT_EQ(GreyOf(main.title), 68);
    EXPECT_EQ(GreyOf(main.grip), 69);

    EditorSkin editor;
    ASSERT_TRUE(LoadEditorSkin(nullptr, &editor, path));
    EXPECT_EQ(editor.background, QColor(222, 230, 245));
    EXPECT_EQ(GreyOf(editor.position.normal), 22);
    EXPECT_EQ(GreyOf(editor.position.channel), 106);
    EXPECT_EQ(GreyOf(editor.settings.normal), 96);
    EXPECT_EQ(GreyOf(editor.cancel.disabled), 103);
    EXPECT_EQ(GreyOf(editor.previewConverting), 107);
    EXPECT_EQ(GreyOf(editor.previewIdle), 108);

    ViewerSkin viewer;
    ASSERT_TRUE(LoadViewerSkin(nullptr, &viewer, path));
    EXPECT_EQ(GreyOf(viewer.fullScreen.normal), 15);
    EXPECT_EQ(GreyOf(viewer.close.hover), 17);
    EXPECT_EQ(GreyOf(viewer.grip), 69);

    // The same record in two windows: two images, and changing one leaves the other.
    EXPECT_NE(main.close.normal.cacheKey(), viewer.close.normal.cacheKey());
    viewer.close.normal.fill(Qt::red);
    EXPECT_EQ(GreyOf(main.close.normal), 19);
}

TEST_F(SkinFileTest, TablesNameExactlyTheRecordsEachWindowUses) {
    auto numberOf = [](const SkinRecordRef& r) {
        auto it = std::find_if(kSkinRecords.begin(), kSkinRecords.end(),
                               [&](const SkinRecordRef& k) { return k.offset == r.offset; });
        return static_cast<int>(it - kSkinRecords.begin()) + 1;
    };
    auto numbers = [&](const std::vector<SkinRecordRef>& refs) {
        std::vector<int> n;
        for (const SkinRecordRef& r : refs) n.push_back(numberOf(r));
        return n;
    };
    auto range = [](std::vector<int> v, int from, int to) {
        for (int i = from; i <= to; ++i) v.push_back(i);
        return v;
    };
    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    MainSkin m;
    MainSkinTable(&m, &refs, &targets);
    EXPECT_EQ(refs.size(), 65u);
    EXPECT_EQ(targets.size(), 65u);
    EXPECT_EQ(numbers(refs), range(range({}, 1, 12), 17, 69));
    EditorSkin e;
    EditorSkinTable(&e, &refs, &targets);
    EXPECT_EQ(refs.size(), 54u);
    EXPECT_EQ(numbers(refs), range(range(range({}, 1, 8), 17, 23), 70, 108));
    ViewerSkin v;
    ViewerSkinTable(&v, &refs, &targets);
    EXPECT_EQ(refs.size(), 17u);
    EXPECT_EQ(numbers(refs), range(range(range({}, 1, 8), 13, 20), 69, 69));
    EXPECT_EQ(std::set<QPixmap*>(targets.begin(), targets.end()).size(), 17u);
    for (const SkinRecordRef& r : refs) {
        const SkinRecordRef& k = SkinRecord(numberOf(r));
        EXPECT_EQ(r.packed, k.packed);
        EXPECT_EQ(r.unpacked, k.unpacked);
    }
}

TEST_F(SkinFileTest, MissingOrForeignFilesSayWhyAndShowNothing) {
    MainSkin skin;
    SkinRead read = LoadMainSkin(nullptr, &skin, dir + "/absent.dat");
    EXPECT_FALSE(read);
    EXPECT_EQ(read.failure, SkinFailure::Missing);
    EXPECT_EQ(SkinFailureText(read.failure), kSkinMissingMessage);
    read = LoadMainSkin(nullptr, &skin, dir);  // a folder is no skin file
    EXPECT_FALSE(read);
    EXPECT_EQ(read.failure, SkinFailure::Missing);

    Bytes good = skintest::SkinFileBytes();
    Bytes nonZero = good;
    nonZero[24] = '!';
    Bytes otherVersion = good;
    otherVersion[23] = '2';
    Bytes early = good;
    early[10] = 0;
    for (const Bytes& bad :
         {nonZero, otherVersion, early, Bytes(good.begin(), good.begin() + 24), Bytes()}) {
        read = LoadSkinImages(nullptr, Write(bad), {kSkinRecords[0]}, {&skin.grip});
        EXPECT_EQ(read.records, 0u);
        EXPECT_EQ(read.failure, SkinFailure::Foreign);
        EXPECT_EQ(SkinFailureText(read.failure), kSkinVersionMessage);
    }
    EXPECT_TRUE(prompts.Boxes().empty()) << "the window tells the user, not the loader";
    EXPECT_EQ(SkinFailureText(SkinFailure::None), "");
}

TEST_F(SkinFileTest, ABrokenOrShortFileIsRefusedWithTheVersionMessage) {
    // Record 11 claims more than its table length, record 12 has a BMP header whose
    // colour table runs past the image, record 19 ends in a cut-off run: each alone makes
    // the file unusable.
    auto damage = [](int which) {
        return skintest::SkinFileBytes([which](int n, Bytes& rec) {
            if (n != which)
                return;
            if (n == 11)
                PutU32(rec, 0, kSkinRecords[10].unpacked + 1);
            if (n == 12) {
                Bytes bmp = skintest::GreyBmp(kSkinRecords[11].unpacked, 12);
                PutU32(bmp, 14 + 32, 100000);
                rec = skintest::PackRecord(bmp, 0xA5, kSkinRecords[11].packed,
                                           kSkinRecords[11].unpacked);
            }
            if (n == 19) {
                rec.assign(rec.size(), 0);
                PutU32(rec, 0, kSkinRecords[18].unpacked);
                rec[4] = 0xA5;
                rec[rec.size() - 2] = 0xA5;  // zeros up to here, then half a run
            }
        });
    };
    const Bytes good = skintest::SkinFileBytes();
    std::vector<Bytes> bad = {
        damage(11),
        damage(12),
        damage(19),
        Bytes(good.begin(), good.begin() + 25),
        Bytes(good.begin(), good.begin() + 100),
        Bytes(good.begin(), good.begin() + kSkinRecords[27].offset + 100),
        Bytes(good.begin(), good.begin() + kSkinRecords[68].offset + kSkinRecords[68].packed - 1)};
    for (size_t i = 0; i < bad.size(); ++i) {
        MainSkin skin;
        const SkinRead read = LoadMainSkin(nullptr, &skin, Write(bad[i], "bad.dat"));
        EXPECT_FALSE(read) << i;
        EXPECT_EQ(read.failure, SkinFailure::Foreign) << i;
        EXPECT_TRUE(skin.frame[0].isNull()) << i << ": no half-loaded window";
        EXPECT_TRUE(skin.title.isNull()) << i;
    }

    // Every refusal speaks the user's language, a damaged record's too.
    struct EnglishTexts : QTranslator {
        QString translate(const char* context, const char* source, const char*,
                          int) const override {
            if (QByteArray(context) != "SkinFile")
                return {};
            return QByteArray(source) == kSkinVersionMessage ? QStringLiteral("other version")
                                                             : QStringLiteral("no skin");
        }
    } english;
    QCoreApplication::installTranslator(&english);
    for (const std::string& file : {Write(damage(12), "bad.dat"), dir + "/absent.dat",
                                    Write(Bytes(good.begin(), good.begin() + 24), "short.dat")}) {
        MainSkin skin;
        const SkinRead read = LoadMainSkin(nullptr, &skin, file);
        EXPECT_FALSE(read);
        EXPECT_EQ(SkinFailureText(read.failure),
                  file == dir + "/absent.dat" ? "no skin" : "other version");
    }
    QCoreApplication::removeTranslator(&english);

    // The whole file loads every slot without a word, and the shorter of the two lists
    // decides how far loading goes.
    prompts.Clear();
    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    MainSkin whole;
    MainSkinTable(&whole, &refs, &targets);
    EXPECT_EQ(LoadSkinImages(nullptr, Write(good, "good.dat"), refs, targets).records, 65u);
    EXPECT_FALSE(whole.grip.isNull());
    targets.resize(3);
    const SkinRead three = LoadSkinImages(nullptr, Write(good, "good.dat"), refs, targets);
    EXPECT_EQ(three.records, 3u);
    EXPECT_EQ(three.failure, SkinFailure::None);
    EXPECT_TRUE(prompts.Boxes().empty());
}

}  // namespace
