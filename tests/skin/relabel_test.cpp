// Words drawn over a skin face in the program's language: the face's own words go, its
// shading and edges stay, and the ink suits the face.
#include "skin/relabel.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <functional>

#include "skin/skin_button.h"

namespace {

// A face shaded from top to bottom, edged in grey, with a red "word" in its middle.
QPixmap WordFace(QColor top, QColor bottom) {
    QImage image(80, 24, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const double t = y / 23.0;
        const QColor c(top.red() + (bottom.red() - top.red()) * t,
                       top.green() + (bottom.green() - top.green()) * t,
                       top.blue() + (bottom.blue() - top.blue()) * t);
        for (int x = 0; x < image.width(); ++x) image.setPixelColor(x, y, c);
    }
    for (int y = 0; y < 24; ++y)
        image.setPixelColor(0, y, Qt::gray), image.setPixelColor(79, y, Qt::gray);
    for (int y = 8; y < 16; ++y)
        for (int x = 30; x < 50; ++x) image.setPixelColor(x, y, Qt::red);
    return QPixmap::fromImage(image);
}

int Count(const QImage& image, const std::function<bool(QColor)>& match) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += match(image.pixelColor(x, y));
    return n;
}

bool Red(QColor c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

QImage Drawn(SkinButton& button) {
    QImage shot(button.size(), QImage::Format_RGB32);
    shot.fill(Qt::black);
    button.render(&shot);
    return shot;
}

TEST(Relabel, TheFacesWordsGiveWayToTheProgramsAndItsEdgesStay) {
    const QPixmap face = WordFace(QColor(240, 244, 250), QColor(200, 210, 228));
    SkinButton button;
    ASSERT_TRUE(button.SetSkinBitmaps(&face, nullptr, nullptr, nullptr));
    button.SizeToContent();
    EXPECT_GT(Count(Drawn(button), Red), 100) << "drawn as it is without a label";

    button.SetDrawnLabel(QStringLiteral("Cut"));
    const QImage relabelled = Drawn(button);
    EXPECT_EQ(Count(relabelled, Red), 0) << "the face's own word is gone";
    EXPECT_GT(Count(relabelled, [](QColor c) { return c.lightness() < 100; }), 5)
        << "dark words on a light face";
    const QImage original = face.toImage();
    for (int y = 0; y < 24; ++y) {
        EXPECT_EQ(relabelled.pixelColor(0, y), original.pixelColor(0, y)) << "left edge, row " << y;
        EXPECT_EQ(relabelled.pixelColor(40, y == 0 ? 0 : 23),
                  original.pixelColor(40, y == 0 ? 0 : 23))
            << "the shading from top to bottom stays";
    }
}

TEST(Relabel, ADarkFaceGetsLightWordsAndALongWordIsMadeToFit) {
    const QPixmap face = WordFace(QColor(40, 80, 160), QColor(20, 50, 120));
    EXPECT_EQ(InkOn(face, QPoint(5, 12)), QColor(255, 255, 255));
    EXPECT_EQ(InkOn(WordFace(Qt::white, Qt::white), QPoint(5, 12)), QColor(30, 40, 60));

    QPixmap canvas(80, 24);
    canvas.fill(Qt::black);
    QPainter p(&canvas);
    Relabel(p, QPoint(0, 0), face, QRect(6, 0, 68, 24),
            QStringLiteral("A label far too long for this face"), 10);
    p.end();
    const QImage drawn = canvas.toImage();
    EXPECT_EQ(Count(drawn, Red), 0);
    EXPECT_GT(Count(drawn, [](QColor c) { return c.lightness() > 200; }), 5) << "light words";
    for (int y = 0; y < 24; ++y)
        EXPECT_EQ(drawn.pixelColor(2, y), QColor(Qt::black)) << "nothing drawn outside the band";
}

}  // namespace
