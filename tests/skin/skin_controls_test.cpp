#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QWidget>

#include "skin/skin_button.h"
#include "skin/skin_file.h"
#include "skin/skin_slider.h"

namespace {

QPixmap Solid(int w, int h, QColor c) {
    QPixmap p(w, h);
    p.fill(c);
    return p;
}

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), w->mapTo(w->window(), QPointF(1, 1)),
                  w->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(w, &e);
}
void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}
void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(300, 100);
        window.show();
        QApplication::setActiveWindow(&window);
        images.normal = Solid(20, 10, Qt::white);
        images.pressed = Solid(20, 10, Qt::black);
        images.hover = Solid(20, 10, Qt::yellow);
        images.disabled = Solid(20, 10, Qt::gray);
    }
    QWidget window;
    ButtonImages images;
};

TEST_F(ControlsTest, ButtonImageFollowsStateAndFallsBack) {
    SkinButton full(&window), bare(&window);
    ASSERT_TRUE(full.SetSkinBitmaps(images));
    ASSERT_TRUE(bare.SetSkinBitmaps(&images.normal, nullptr, nullptr, nullptr));
    EXPECT_FALSE(bare.SetSkinBitmaps(nullptr, &images.pressed, nullptr, nullptr));
    EXPECT_EQ(bare.CurrentImage().cacheKey(), images.normal.cacheKey());  // unchanged
    full.SizeToContent();
    EXPECT_EQ(full.size(), QSize(20, 10));

    Enter(&full);
    EXPECT_TRUE(full.IsHovering());
    EXPECT_EQ(full.CurrentImage().cacheKey(), images.hover.cacheKey());
    full.setDown(true);
    EXPECT_EQ(full.CurrentImage().cacheKey(), images.pressed.cacheKey());
    // Disabled wins over pressed and hover when there is a disabled image.
    full.setEnabled(false);
    EXPECT_EQ(full.CurrentImage().cacheKey(), images.disabled.cacheKey());

    // Without the other images: pressed falls back to hover, then to normal; disabled
    // to normal.
    SkinButton noPress(&window);
    noPress.SetSkinBitmaps(&images.normal, nullptr, &images.hover, nullptr);
    Enter(&noPress);
    noPress.setDown(true);
    EXPECT_EQ(noPress.CurrentImage().cacheKey(), images.hover.cacheKey());
    Leave(&noPress);
    EXPECT_EQ(noPress.CurrentImage().cacheKey(), images.normal.cacheKey());
    bare.setEnabled(false);
    EXPECT_EQ(bare.CurrentImage().cacheKey(), images.normal.cacheKey());
}

TEST_F(ControlsTest, HoverMovesBetweenNeighboursAndEndsOnPressOrDisable) {
    SkinButton left(&window), right(&window);
    left.SetSkinBitmaps(images);
    right.SetSkinBitmaps(images);
    right.move(20, 0);
    Enter(&left);
    EXPECT_TRUE(left.IsHovering());
    Leave(&left);
    Enter(&right);
    EXPECT_FALSE(left.IsHovering());
    EXPECT_TRUE(right.IsHovering());

    right.EnableWindow(false);
    EXPECT_FALSE(right.IsHovering());
    EXPECT_FALSE(right.isEnabled());
    right.EnableWindow(true);

    Enter(&left);
    QSignalSpy clicks(&left, &QAbstractButton::clicked);
    Mouse(&left, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_FALSE(left.IsHovering());
    EXPECT_EQ(left.CurrentImage().cacheKey(), images.pressed.cacheKey());
    Mouse(&left, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ControlsTest, HoverComesBackAfterAClickWithoutLeavingTheButton) {
    SkinButton button(&window);
    button.SetSkinBitmaps(images);
    button.show();
    Enter(&button);
    QCursor::setPos(button.mapToGlobal(QPoint(5, 5)));
    Mouse(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_FALSE(button.IsHovering());
    Mouse(&button, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_TRUE(button.IsHovering()) << "released over the button";
    EXPECT_EQ(button.CurrentImage().cacheKey(), images.hover.cacheKey());

    // A click that opened a menu: by its end the pointer is elsewhere, and the button
    // must not stay lit.
    auto away = QObject::connect(&button, &QAbstractButton::clicked,
                                 [&] { QCursor::setPos(button.mapToGlobal(QPoint(200, 60))); });
    Mouse(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_FALSE(button.IsHovering());
    QObject::disconnect(away);
    QCursor::setPos(button.mapToGlobal(QPoint(5, 5)));

    // Released outside: no hover, and no click; moving back in brings the hover back.
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    Mouse(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(&button, QEvent::MouseMove, {50, 50}, Qt::LeftButton);
    QCursor::setPos(button.mapToGlobal(QPoint(50, 50)));
    Mouse(&button, QEvent::MouseButtonRelease, {50, 50}, Qt::NoButton);
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(clicks.count(), 0);
    Mouse(&button, QEvent::MouseMove, {6, 6}, Qt::NoButton);
    EXPECT_TRUE(button.IsHovering());
    Mouse(&button, QEvent::MouseMove, {60, 6}, Qt::NoButton);
    EXPECT_FALSE(button.IsHovering());

    // A click that hides the button (play giving way to pause) leaves no hover behind.
    QCursor::setPos(button.mapToGlobal(QPoint(5, 5)));
    QObject::connect(&button, &QAbstractButton::clicked, &button, &QWidget::hide);
    Enter(&button);
    Mouse(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_FALSE(button.isVisible());
    EXPECT_FALSE(button.IsHovering());
}

TEST_F(ControlsTest, HoverShowsWhileAnotherWindowOfTheProgramIsActive) {
    QWidget other;
    other.resize(50, 50);
    other.show();
    QApplication::setActiveWindow(&other);
    SkinButton button(&window);
    button.SetSkinBitmaps(images);
    SkinSlider slider(Qt::Horizontal, &window);
    button.show();
    slider.show();
    Enter(&button);
    Enter(&slider);
    EXPECT_TRUE(button.IsHovering());
    EXPECT_TRUE(slider.IsHovering());
    // Switching between the program's windows keeps it; going to another program drops it.
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(button.IsHovering());
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(button.IsHovering());
    EXPECT_FALSE(slider.IsHovering());
    QApplication::setActiveWindow(&window);
}

TEST_F(ControlsTest, NoHoverWhileAnotherProgramIsActive) {
    SkinButton button(&window);
    button.SetSkinBitmaps(images);
    SkinSlider slider(Qt::Horizontal, &window);
    QApplication::setActiveWindow(nullptr);
    Enter(&button);
    Enter(&slider);
    EXPECT_FALSE(button.IsHovering());
    EXPECT_FALSE(slider.IsHovering());
    QApplication::setActiveWindow(&window);
    Enter(&button);
    EXPECT_TRUE(button.IsHovering());
}

class SliderTest : public ControlsTest {
  protected:
    void SetUp() override {
        ControlsTest::SetUp();
        thumbs.normal = Solid(10, 12, Qt::white);
        thumbs.pressed = Solid(10, 12, Qt::black);
        thumbs.hover = Solid(10, 12, Qt::yellow);
        thumbs.channel = Solid(110, 12, Qt::blue);
        slider = new SkinSlider(Qt::Horizontal, &window);
        slider->resize(50, 30);
        ASSERT_TRUE(slider->SetSkinBitmaps(thumbs));
        slider->FitToSkin();
        slider->setRange(0, 100);  // a page is a fifth of it, 20
    }
    SliderImages thumbs;
    SkinSlider* slider = nullptr;
};

TEST_F(SliderTest, FitsToItsChannelAndRefusesPartialSets) {
    EXPECT_EQ(slider->size(), QSize(110, 12));
    // 100 pixels of travel for 100 steps: the thumb sits at the value.
    slider->setValue(40);
    EXPECT_EQ(slider->ThumbRect(), QRect(40, 0, 10, 12));

    SliderImages noChannel = thumbs;
    noChannel.channel = QPixmap();
    SkinSlider plain(Qt::Horizontal, &window);
    plain.resize(70, 20);
    EXPECT_FALSE(plain.SetSkinBitmaps(&thumbs.normal, nullptr, &thumbs.hover, &thumbs.channel));
    ASSERT_TRUE(plain.SetSkinBitmaps(noChannel));
    plain.FitToSkin();
    EXPECT_EQ(plain.size(), QSize(70, 20));
}

TEST_F(SliderTest, DraggingKeepsThePressedThumbOutsideAndReportsTheScroll) {
    QSignalSpy scrolled(slider, &SkinSlider::Scrolled);
    QSignalSpy pressed(slider, &QAbstractSlider::sliderPressed);
    QSignalSpy released(slider, &QAbstractSlider::sliderReleased);
    slider->setValue(0);
    Enter(slider);
    Mouse(slider, QEvent::MouseButtonPress, {4, 5}, Qt::LeftButton);
    EXPECT_TRUE(slider->isSliderDown());
    EXPECT_EQ(pressed.count(), 1);
    Mouse(slider, QEvent::MouseMove, {34, 5}, Qt::LeftButton);
    EXPECT_EQ(slider->value(), 30);  // the grab offset is kept
    Leave(slider);
    Mouse(slider, QEvent::MouseMove, {64, 80}, Qt::LeftButton);
    EXPECT_EQ(slider->CurrentThumb().cacheKey(), thumbs.pressed.cacheKey());
    EXPECT_EQ(slider->value(), 60);
    Mouse(slider, QEvent::MouseButtonRelease, {64, 80}, Qt::NoButton);
    EXPECT_FALSE(slider->isSliderDown());
    EXPECT_EQ(released.count(), 1);
    EXPECT_EQ(slider->CurrentThumb().cacheKey(), thumbs.normal.cacheKey());

    std::vector<int> codes;
    for (const QList<QVariant>& args : scrolled) codes.push_back(args[0].toInt());
    EXPECT_EQ(codes, (std::vector<int>{kScrollThumbTrack, kScrollThumbTrack, kScrollThumbTrack,
                                       kScrollThumbPosition, kScrollEnd}));
    EXPECT_EQ(scrolled.last()[1].toInt(), 60);
}

TEST_F(SliderTest, AClickBesideTheThumbPagesTowardsIt) {
    QSignalSpy scrolled(slider, &SkinSlider::Scrolled);
    QSignalSpy actions(slider, &QAbstractSlider::actionTriggered);
    slider->setValue(50);
    Mouse(slider, QEvent::MouseButtonPress, {100, 5}, Qt::LeftButton);
    Mouse(slider, QEvent::MouseButtonRelease, {100, 5}, Qt::NoButton);
    EXPECT_EQ(slider->value(), 70);
    EXPECT_FALSE(slider->isSliderDown());
    ASSERT_EQ(scrolled.count(), 2);
    EXPECT_EQ(scrolled[0][0].toInt(), kScrollPageDown);
    EXPECT_EQ(scrolled[1][0].toInt(), kScrollEnd);
    EXPECT_EQ(actions.count(), 1);
    Mouse(slider, QEvent::MouseButtonPress, {2, 5}, Qt::LeftButton);
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(scrolled[2][0].toInt(), kScrollPageUp);
}

TEST_F(SliderTest, APageIsAFifthOfTheRangeWhateverItsLength) {
    EXPECT_EQ(slider->pageStep(), 20);
    // A five-minute item in tenths of a second: a click beside the thumb moves a minute.
    slider->setRange(0, 3000);
    EXPECT_EQ(slider->pageStep(), 600);
    slider->setValue(0);
    Mouse(slider, QEvent::MouseButtonPress, {100, 5}, Qt::LeftButton);
    Mouse(slider, QEvent::MouseButtonRelease, {100, 5}, Qt::NoButton);
    EXPECT_EQ(slider->value(), 600);
    slider->setRange(0, 3);
    EXPECT_EQ(slider->pageStep(), 1) << "never a page of nothing";
    slider->setRange(0, 0);
    EXPECT_EQ(slider->pageStep(), 1);
}

TEST_F(SliderTest, TheWheelIsSwallowedWhenNotInteractive) {
    slider->setValue(50);
    auto wheel = [&] {
        QWheelEvent e(QPointF(5, 5), slider->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &e);
        return e.isAccepted();
    };
    EXPECT_TRUE(slider->SetInteractive(false));
    EXPECT_TRUE(wheel());
    EXPECT_EQ(slider->value(), 50);
    EXPECT_FALSE(slider->SetInteractive(true));
    wheel();
    EXPECT_NE(slider->value(), 50);
}

// Images as the skin draws them: the window's background in the corners, colour inside.
QPixmap OnBackground(int w, int h, QColor inside) {
    QPixmap p = Solid(w, h, QColor(222, 230, 245));
    QPainter painter(&p);
    painter.fillRect(1, 1, w - 2, h - 2, inside);
    return p;
}

QImage Rendered(SkinSlider* slider) {
    QImage canvas(slider->size(), QImage::Format_RGB32);
    slider->render(&canvas);
    return canvas;
}

bool IsGrey(QColor c) {
    return std::abs(c.red() - c.green()) <= 12 && std::abs(c.green() - c.blue()) <= 12;
}

TEST_F(SliderTest, ADisabledSliderShowsItsThumbGreyed) {
    thumbs.normal = OnBackground(10, 12, QColor(40, 90, 220));
    ASSERT_TRUE(slider->SetSkinBitmaps(thumbs));
    Enter(slider);
    EXPECT_EQ(slider->CurrentThumb().cacheKey(), thumbs.hover.cacheKey());
    slider->EnableWindow(false);
    EXPECT_FALSE(slider->IsHovering());
    const QColor inside = slider->CurrentThumb().toImage().pixelColor(5, 6);
    EXPECT_TRUE(IsGrey(inside)) << inside.name().toStdString();
    EXPECT_GT(inside.lightness(), QColor(40, 90, 220).lightness()) << "lighter, as if faded";
    EXPECT_EQ(Rendered(slider).pixelColor(slider->ThumbRect().x() + 5, 6), inside);
    Enter(slider);
    EXPECT_FALSE(slider->IsHovering()) << "no hover while disabled";

    slider->EnableWindow(true);
    const QImage enabled = Rendered(slider);
    EXPECT_EQ(enabled.pixelColor(slider->ThumbRect().x() + 5, 6), QColor(40, 90, 220));
    EXPECT_EQ(enabled.pixel(slider->ThumbRect().right() + 5, 2), QColor(Qt::blue).rgb());
}

TEST_F(SliderTest, AGaugeIsFullUpToTheThumbAndFadedBeyond) {
    const QColor wedge(150, 188, 242);
    thumbs.channel = OnBackground(110, 12, wedge);
    ASSERT_TRUE(slider->SetSkinBitmaps(thumbs));
    slider->SetFillToThumb(true);
    auto at = [&](int x) { return Rendered(slider).pixelColor(x, 6); };
    slider->setValue(0);  // silent: nothing of the wedge is reached
    EXPECT_NE(at(60), wedge);
    EXPECT_NE(at(100), wedge);
    const QColor faded = at(100);
    EXPECT_GT(faded.lightness(), wedge.lightness());
    EXPECT_EQ(at(109), QColor(222, 230, 245)) << "the background stays as it is";
    slider->setValue(50);
    EXPECT_EQ(at(20), wedge);
    EXPECT_EQ(at(slider->ThumbRect().left() - 1), wedge);
    EXPECT_EQ(at(slider->ThumbRect().right() + 2), faded);
    slider->setValue(100);
    EXPECT_EQ(at(60), wedge);
    EXPECT_EQ(at(98), wedge);

    slider->SetFillToThumb(false);  // the seek channel: drawn whole
    slider->setValue(0);
    EXPECT_EQ(at(100), wedge);
}

}  // namespace
