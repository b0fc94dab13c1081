#include "player/viewer_geometry.h"

#include <gtest/gtest.h>

namespace vg = viewer_geometry;

namespace {

const QRect kDesktop(0, 0, 1920, 1080);

TEST(ViewerGeometry, ProportionRuleWidensOrHeightensToTheVideo) {
    // 640 x 480 video in a 670 x 525 window: the height wins, the width follows.
    EXPECT_EQ(vg::ProportionalSize({670, 525}, {640, 480}), QSize(700, 525));
    // A window stretched sideways keeps its width and takes the matching height.
    EXPECT_EQ(vg::ProportionalSize({900, 400}, {320, 240}), QSize(900, 675));
    // Right proportions already: nothing to do, which ends the nested size round.
    EXPECT_EQ(vg::ProportionalSize({700, 525}, {640, 480}), std::nullopt);
    // No video size yet.
    EXPECT_EQ(vg::ProportionalSize({500, 300}, {-1, -1}), std::nullopt);
    // Ratios truncate toward zero: 333 / 320 * 240 = 249.75.
    EXPECT_EQ(vg::ProportionalSize({333, 100}, {320, 240}), QSize(333, 249));
}

TEST(ViewerGeometry, VideoAreaInsetsAndFullScreenCentring) {
    EXPECT_EQ(vg::NormalVideoArea({700, 525}), QRect(15, 25, 670, 480));
    EXPECT_EQ(vg::NormalVideoArea({20, 20}), QRect(15, 25, 0, 0)) << "never negative";
    // A 640 x 480 video on 1920 x 1080: as tall as the screen, centred with bars.
    EXPECT_EQ(vg::FullScreenVideoArea(kDesktop, {640, 480}), QRect(240, 0, 1440, 1080));
    // A wide video fills the width and is centred vertically.
    EXPECT_EQ(vg::FullScreenVideoArea(kDesktop, {1280, 360}), QRect(0, 270, 1920, 540));
    // A video larger than the screen is scaled down, not up.
    EXPECT_EQ(vg::FullScreenVideoArea(kDesktop, {3840, 2160}), QRect(0, 0, 1920, 1080));
}

TEST(ViewerGeometry, FittingToAVideo) {
    auto fit = vg::PlanFitToVideo(640, 480, true, {320, 240}, kDesktop);
    EXPECT_TRUE(fit.storeVideoSize);
    EXPECT_EQ(fit.windowSize, QSize(670, 525));
    EXPECT_EQ(fit.minimumSize, QSize(206, 177));  // 176 / 640 * 480 + 45 = 177

    // Too small to fit the window to: nothing at all.
    fit = vg::PlanFitToVideo(175, 480, true, {320, 240}, kDesktop);
    EXPECT_FALSE(fit.storeVideoSize || fit.windowSize || fit.minimumSize);

    // Larger than the desktop with its frame: scaled down to fit it, never left squeezed
    // into the old window nor grown past the screen.
    fit = vg::PlanFitToVideo(1900, 1000, true, {320, 240}, kDesktop);
    EXPECT_TRUE(fit.storeVideoSize);
    EXPECT_EQ(fit.windowSize, QSize(1920, 1039));
    fit = vg::PlanFitToVideo(1920, 1080, true, {320, 240}, QRect(0, 0, 1280, 1000));
    EXPECT_EQ(fit.windowSize, QSize(1280, 748));
    EXPECT_EQ(vg::ProportionalSize({1280, 748}, {1920, 1080}, QSize(1280, 1000)), QSize(1280, 720))
        << "the proportion rule shrinks rather than grows past the desktop";

    // Keeping the window size: the larger extent becomes the width, the height follows.
    fit = vg::PlanFitToVideo(640, 360, false, {500, 300}, kDesktop);
    EXPECT_EQ(fit.windowSize, QSize(500, 281));
    fit = vg::PlanFitToVideo(640, 480, false, {100, 120}, kDesktop);
    EXPECT_EQ(fit.windowSize, QSize(176, 132)) << "never narrower than 176";
    // Portrait video whose height would pass the desktop: height bound, width follows.
    fit = vg::PlanFitToVideo(400, 1000, false, {900, 700}, kDesktop);
    EXPECT_EQ(fit.windowSize, QSize(424, 1060));
}

TEST(ViewerGeometry, ThePictureKeepsItsProportionsInsideTheArea) {
    // Wider area than the video: bars left and right, centred.
    EXPECT_EQ(vg::FittedVideoRect({670, 480}, {320, 240}), QRect(15, 0, 640, 480));
    // Taller area: bars above and below.
    EXPECT_EQ(vg::FittedVideoRect({670, 480}, {1920, 1080}), QRect(0, 51, 670, 377));
    // Same proportions: the whole area; no size known: the whole area too.
    EXPECT_EQ(vg::FittedVideoRect({640, 360}, {1280, 720}), QRect(0, 0, 640, 360));
    EXPECT_EQ(vg::FittedVideoRect({300, 200}, {}), QRect(0, 0, 300, 200));
    // An upright phone video in a landscape area.
    EXPECT_EQ(vg::FittedVideoRect({640, 480}, {1080, 1920}), QRect(185, 0, 270, 480));
}

TEST(ViewerGeometry, AGrownWindowIsMovedBackOntoTheScreen) {
    const QRect avail(0, 0, 1920, 1050);
    EXPECT_EQ(vg::KeptOnScreen({1000, 100, 1310, 765}, avail), QPoint(610, 100));
    EXPECT_EQ(vg::KeptOnScreen({-40, 900, 400, 300}, avail), QPoint(0, 750));
    EXPECT_EQ(vg::KeptOnScreen({10, 10, 400, 300}, avail), QPoint(10, 10)) << "left alone";
    // Larger than the screen: its corner, and so its caption, stays reachable.
    EXPECT_EQ(vg::KeptOnScreen({300, 300, 2500, 1200}, avail), QPoint(0, 0));
}

}  // namespace
