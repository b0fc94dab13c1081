#include "skin/skin_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "platform/settings.h"
#include "tests/support/media_factory.h"

namespace {

void Mouse(QWidget* w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(local), QPointF(global),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = std::make_unique<SkinDialog>();
        dialog->setGeometry(40, 40, 380, 310);
        dialog->OnInitDialog();
        dialog->show();  // a hidden widget gets its resize events only when shown
    }
    QPushButton* Control(QRect r) {
        auto* b = new QPushButton(dialog.get());
        b->setGeometry(r);
        return b;
    }
    std::unique_ptr<SkinDialog> dialog;
};

TEST_F(DialogTest, AnchoredControlsFollowTheSize) {
    QPushButton* topRight = Control({330, 5, 20, 20});
    QPushButton* bottomCentre = Control({170, 200, 40, 30});
    QPushButton* bottomLeft = Control({20, 270, 100, 20});
    QPushButton* topLeft = Control({20, 35, 30, 15});
    QPushButton* growing = Control({20, 50, 338, 140});
    dialog->AddAnchor(topRight, kAnchorTopRight);
    dialog->AddAnchor(bottomCentre, kAnchorBottomCenter);
    dialog->AddAnchor(bottomLeft, kAnchorBottomLeft, kAnchorUnset);
    dialog->AddAnchor(topLeft, kAnchorTopLeft);
    dialog->AddAnchor(growing, kAnchorTopLeft, kAnchorBottomRight);
    dialog->resize(480, 370);
    EXPECT_EQ(topRight->geometry(), QRect(430, 5, 20, 20));
    EXPECT_EQ(bottomCentre->geometry(), QRect(220, 260, 40, 30));
    EXPECT_EQ(bottomLeft->geometry(), QRect(20, 330, 100, 20));
    EXPECT_EQ(topLeft->geometry(), QRect(20, 35, 30, 15));
    EXPECT_EQ(growing->geometry(), QRect(20, 50, 438, 200));
    // Back to the start gives back the start.
    dialog->resize(380, 310);
    EXPECT_EQ(bottomCentre->geometry(), QRect(170, 200, 40, 30));
}

TEST_F(DialogTest, PercentagesTruncateTowardZero) {
    QPushButton* centre = Control({100, 100, 10, 10});
    QPushButton* odd = Control({0, 0, 10, 10});
    dialog->AddAnchor(centre, kAnchorMiddleCenter);
    // A negative share: -50% of 381 is -190.5, which must become -190, not -191.
    dialog->AddAnchor(odd, Anchor{-50, 0});
    dialog->resize(381, 311);
    // 50 * 381 / 100 = 190 and 50 * 380 / 100 = 190: no move for the odd pixel.
    EXPECT_EQ(centre->pos(), QPoint(100, 100));
    // Margin at 380: 0 - (-190) = 190; at 381: -190 + 190 = 0.
    EXPECT_EQ(odd->pos(), QPoint(0, 0));
    dialog->resize(383, 311);  // -50 * 383 / 100 = -191 (-191.5 truncated)
    EXPECT_EQ(odd->pos(), QPoint(-1, 0));
}

TEST_F(DialogTest, SizeLimitsHold) {
    EXPECT_EQ(dialog->minimumSize(), QSize(380, 310));
    dialog->resize(300, 200);
    EXPECT_EQ(dialog->size(), QSize(380, 310));
    dialog->SetMaxTrackSize(500, 400);
    dialog->resize(900, 900);
    EXPECT_EQ(dialog->size(), QSize(500, 400));
}

TEST_F(DialogTest, TheTopBandMovesAndTheGripResizes) {
    dialog->show();
    const QPoint start = dialog->pos();
    Mouse(dialog.get(), QEvent::MouseButtonPress, {100, 10}, start + QPoint(100, 10),
          Qt::LeftButton);
    Mouse(dialog.get(), QEvent::MouseMove, {100, 10}, start + QPoint(150, 50), Qt::LeftButton);
    Mouse(dialog.get(), QEvent::MouseButtonRelease, {100, 10}, start + QPoint(150, 50),
          Qt::NoButton);
    EXPECT_EQ(dialog->pos(), start + QPoint(50, 40));

    const QRect grip = dialog->GripRect();
    EXPECT_EQ(grip.bottomRight(), QPoint(379, 309));
    const QPoint at = grip.center();
    const QPoint global = dialog->pos() + at;
    Mouse(dialog.get(), QEvent::MouseButtonPress, at, global, Qt::LeftButton);
    Mouse(dialog.get(), QEvent::MouseMove, at, global + QPoint(30, 20), Qt::LeftButton);
    EXPECT_EQ(dialog->size(), QSize(410, 330));
    // Dragging below the minimum stops at the minimum.
    Mouse(dialog.get(), QEvent::MouseMove, at, global - QPoint(200, 200), Qt::LeftButton);
    EXPECT_EQ(dialog->size(), QSize(380, 310));
    Mouse(dialog.get(), QEvent::MouseButtonRelease, at, global, Qt::NoButton);
    // Without the grip the corner is only the right and bottom edge band.
    dialog->SetShowGrip(false);
    EXPECT_FALSE(dialog->ShowsGrip());
}

TEST_F(DialogTest, CaptionDragMovesAPlainWindow) {
    QWidget plain;
    plain.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    plain.setGeometry(10, 10, 200, 100);
    plain.show();
    new CaptionDrag(&plain);
    const QPoint start = plain.pos();
    Mouse(&plain, QEvent::MouseButtonPress, {5, 5}, start + QPoint(5, 5), Qt::LeftButton);
    Mouse(&plain, QEvent::MouseMove, {5, 5}, start + QPoint(25, 35), Qt::LeftButton);
    Mouse(&plain, QEvent::MouseButtonRelease, {5, 5}, start + QPoint(25, 35), Qt::NoButton);
    EXPECT_EQ(plain.pos(), start + QPoint(20, 30));
    // Below the band nothing moves.
    Mouse(&plain, QEvent::MouseButtonPress, {5, 50}, start + QPoint(25, 85), Qt::LeftButton);
    Mouse(&plain, QEvent::MouseMove, {5, 50}, start + QPoint(95, 95), Qt::LeftButton);
    EXPECT_EQ(plain.pos(), start + QPoint(20, 30));
}

class PlacementDialogTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        dir = testmedia::MakeTempDir("skin_placement");
        SetSettingsFilePath(dir + "/plInfo.ini");
    }
    void TearDown() override {
        dialog.reset();
        SetSettingsFilePath("");
        testmedia::RemoveTree(dir);
    }
    std::string dir;
};

TEST_F(PlacementDialogTest, SavedOnceOnDestructionAndRestoredWithinLimits) {
    EXPECT_FALSE(dialog->RememberPlacement("MAIN", "SIZE"));
    dialog->setGeometry(10, 20, 400, 330);
    dialog.reset();
    EXPECT_EQ(ReadSetting("MAIN", "SIZE", ""), "10,20,410,350,1,0");

    SkinDialog again;
    again.resize(380, 310);
    again.OnInitDialog();
    ASSERT_TRUE(again.RememberPlacement("MAIN", "SIZE"));
    EXPECT_EQ(again.geometry(), QRect(10, 20, 400, 330));

    WriteSetting("MAIN", "SIZE", "0,0,300,300,1,0");  // below the minimum
    SkinDialog small;
    small.resize(380, 310);
    small.OnInitDialog();
    EXPECT_FALSE(small.RememberPlacement("MAIN", "SIZE"));
}

TEST_F(PlacementDialogTest, FullScreenAndBackRestoresGeometryAndLimits) {
    dialog->SetMaxTrackSize(1000, 700);
    dialog->RememberPlacement("VIEW", "SIZE");
    dialog->setGeometry(30, 40, 400, 320);
    ASSERT_TRUE(dialog->EnterFullScreen());
    EXPECT_TRUE(dialog->IsFullScreen());
    EXPECT_FALSE(dialog->ShowsGrip());
    EXPECT_EQ(dialog->geometry(), dialog->screen()->geometry());
    EXPECT_EQ(dialog->minimumSize(), QSize(0, 0));
    dialog->LeaveFullScreen();
    EXPECT_FALSE(dialog->IsFullScreen());
    EXPECT_TRUE(dialog->ShowsGrip());
    EXPECT_EQ(dialog->geometry(), QRect(30, 40, 400, 320));
    EXPECT_EQ(dialog->minimumSize(), QSize(380, 310));
    EXPECT_EQ(dialog->maximumSize(), QSize(1000, 700));

    // Destroyed while full screen: the placement saved before stays as it was.
    WriteSetting("VIEW", "SIZE", "1,2,401,322,1,0");
    dialog->EnterFullScreen();
    dialog.reset();
    EXPECT_EQ(ReadSetting("VIEW", "SIZE", ""), "1,2,401,322,1,0");
}

TEST(DrawSkinFrame, CornersThenEdgesWithTheLastTileCut) {
    std::array<QPixmap, 8> frame;
    const QSize sizes[8] = {{10, 8}, {30, 8}, {10, 8}, {6, 7}, {6, 7}, {10, 12}, {30, 4}, {10, 12}};
    for (int i = 0; i < 8; ++i) {
        frame[i] = QPixmap(sizes[i]);
        frame[i].fill(QColor(10 + i * 20, 0, 0));
    }
    auto colour = [](int i) { return QColor(10 + i * 20, 0, 0).rgb(); };
    QImage canvas(100, 50, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        DrawSkinFrame(p, canvas.size(), frame);
    }
    EXPECT_EQ(canvas.pixel(0, 0), colour(5));   // top-left
    EXPECT_EQ(canvas.pixel(99, 0), colour(7));  // top-right
    EXPECT_EQ(canvas.pixel(10, 0), colour(6));  // top edge from the corner on
    EXPECT_EQ(canvas.pixel(89, 3), colour(6));  // last tile cut before the corner
    EXPECT_EQ(canvas.pixel(89, 4), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(0, 49), colour(0));   // bottom-left
    EXPECT_EQ(canvas.pixel(99, 42), colour(2));  // bottom-right
    EXPECT_EQ(canvas.pixel(50, 45), colour(1));
    EXPECT_EQ(canvas.pixel(0, 12), colour(3));  // left edge below the corner...
    EXPECT_EQ(canvas.pixel(0, 41), colour(3));  // ...down to the bottom edge's top
    EXPECT_EQ(canvas.pixel(99, 20), colour(4));
    EXPECT_EQ(canvas.pixel(50, 20), qRgb(255, 255, 255));

    // Missing images are left out, tiles included.
    std::array<QPixmap, 8> none;
    QPainter p(&canvas);
    DrawSkinFrame(p, canvas.size(), none);
}

}  // namespace
