// Declared picture sizes read from the headers alone, and a picture bomb refused before
// any decoder allocates it.
#include "engine/picture_bound.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QtEndian>
#include <fstream>
#include <string>

#include "engine/media_graph.h"
#include "engine/video_widget.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

std::string Big32(uint32_t v) {
    std::string s(4, '\0');
    qToBigEndian(v, s.data());
    return s;
}
std::string Big16(uint16_t v) {
    std::string s(2, '\0');
    qToBigEndian(v, s.data());
    return s;
}
std::string Little16(uint16_t v) {
    std::string s(2, '\0');
    qToLittleEndian(v, s.data());
    return s;
}
std::string Little32(uint32_t v) {
    std::string s(4, '\0');
    qToLittleEndian(v, s.data());
    return s;
}

// Just the signature and IHDR: all a reader of the size may look at.
std::string PngHead(uint32_t w, uint32_t h) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + Big32(13) + "IHDR" + Big32(w) + Big32(h) +
           std::string("\x08\x06\x00\x00\x00", 5) + Big32(0);
}

PictureSize SizeOf(const std::string& bytes) {
    PictureSize s;
    EXPECT_TRUE(ReadPictureSize(bytes, &s));
    return s;
}

TEST(PictureBound, HeadersOfEachKindGiveTheirDeclaredSize) {
    PictureSize png = SizeOf(PngHead(16384, 16384));
    EXPECT_EQ(png.width, 16384u);
    EXPECT_EQ(png.Pixels(), 16384ull * 16384);

    // A JPEG with metadata ahead of its frame header (progressive SOF2).
    const std::string app1 = "\xFF\xE1" + Big16(8) + std::string("Exif\0\0", 6);
    const std::string jpeg = std::string("\xFF\xD8", 2) + app1 + "\xFF\xC2" + Big16(11) + '\x08' +
                             Big16(3000) + Big16(4000) + std::string("\x01\x01\x11\x00", 4);
    PictureSize j = SizeOf(jpeg);
    EXPECT_EQ(j.width, 4000u);
    EXPECT_EQ(j.height, 3000u);

    // A GIF whose first frame reaches beyond its small logical screen.
    const std::string gif = std::string("GIF89a") + Little16(10) + Little16(10) +
                            std::string("\x00\x00\x00", 3) + "\x21\xF9\x04" + std::string(4, '\0') +
                            '\0' + "\x2C" + Little16(0) + Little16(0) + Little16(60000) +
                            Little16(50000) + '\0';
    PictureSize g = SizeOf(gif);
    EXPECT_EQ(g.width, 60000u);
    EXPECT_EQ(g.height, 50000u);

    // A top-down BMP (negative height).
    const std::string bmp = "BM" + std::string(12, '\0') + Little32(40) + Little32(20000) +
                            Little32(uint32_t(-30000)) + std::string(20, '\0');
    PictureSize b = SizeOf(bmp);
    EXPECT_EQ(b.width, 20000u);
    EXPECT_EQ(b.height, 30000u);
}

TEST(PictureBound, ShortOrForeignHeadersAreNoPicture) {
    PictureSize s;
    EXPECT_FALSE(ReadPictureSize(PngHead(1, 1).substr(0, 20), &s));
    EXPECT_FALSE(ReadPictureSize(std::string("\xFF\xD8\xFF\xDA", 4), &s)) << "data before a frame";
    EXPECT_FALSE(ReadPictureSize(std::string("\xFF\xD8\xFF\xE1\x00\x01", 6), &s));
    EXPECT_FALSE(ReadPictureSize("RIFF....WAVE", &s));
    EXPECT_FALSE(ReadPictureSize("", &s));
}

TEST(PictureBound, ABombIsRefusedWithAMessageAndAnOrdinaryPictureIsNot) {
    const std::string dir = testmedia::MakeTempDir("picture_bound");
    const std::string bomb = dir + "/bomb.png";
    std::ofstream(bomb, std::ios::binary) << PngHead(16384, 16384);
    EXPECT_TRUE(PictureTooLarge(bomb));

    const std::string small = dir + "/small.png";
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(small)));
    EXPECT_FALSE(PictureTooLarge(small));

    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    widget.resize(320, 240);
    QRect r(0, 0, 320, 240);
    MediaGraph graph;
    graph.SetWindows(&notify, &widget, &r);
    EXPECT_TRUE(FAILED(graph.Open(bomb.c_str(), FALSE)));
    int32_t w = 0, h = 0;
    EXPECT_FALSE(graph.GetVideoDimensions(&w, &h));
    const Notices told = graph.TakeNotices();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].text.find("16384"), std::string::npos) << told[0].text;
    EXPECT_EQ(told[0].caption, "VELTRA");
    EXPECT_EQ(told[0].style, MB_OK | MB_ICONEXCLAMATION);

    graph.SetWindows(&notify, &widget, &r);
    EXPECT_EQ(graph.Open(small.c_str(), FALSE), S_OK);
    EXPECT_TRUE(graph.GetVideoDimensions(&w, &h));
    EXPECT_EQ(w, 64);
    EXPECT_TRUE(graph.TakeNotices().empty());
    graph.Close();
    testmedia::RemoveTree(dir);
}

}  // namespace
