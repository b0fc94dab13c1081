// The main window's start step: it follows the window's first paint, or the bound when the
// window is never painted, and runs once however both arrive.
#include "player/once_shown.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "tests/support/wait_until.h"

namespace {

class CountingWindow : public QWidget {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(OnceShown, TheStepFollowsTheFirstPaintAndRunsOnce) {
    CountingWindow window;
    window.resize(200, 100);
    int runs = 0;
    int paintsAtRun = -1;
    player::OnceShown shown(window, 30000, [&] {
        ++runs;
        paintsAtRun = window.paints;
    });
    QApplication::processEvents();
    EXPECT_EQ(runs, 0) << "nothing runs before the window is on the screen";
    window.show();
    ASSERT_TRUE(PumpUntil([&] { return runs == 1; }));
    EXPECT_TRUE(shown.Done());
    EXPECT_GE(paintsAtRun, 1) << "the step came before the window had been painted";

    window.repaint();
    window.hide();
    window.show();
    ASSERT_TRUE(PumpUntil([&] { return window.paints > paintsAtRun + 1; }));
    QApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

TEST(OnceShown, AWindowNeverPaintedGetsTheStepAfterTheBound) {
    CountingWindow window;
    int runs = 0;
    player::OnceShown shown(window, 50, [&] { ++runs; });
    ASSERT_TRUE(PumpUntil([&] { return runs == 1; }));
    EXPECT_EQ(window.paints, 0);

    window.show();
    ASSERT_TRUE(PumpUntil([&] { return window.paints > 0; }));
    QApplication::processEvents();
    EXPECT_EQ(runs, 1) << "the late first paint ran the step again";
}

}  // namespace
