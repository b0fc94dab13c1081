// The composition root as the program runs it, here without skin.dat: the window says why,
// reports that it could not be initialised and is torn down with all its parts.
#include "player/main_window_composition.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/messages.h"
#include "platform/window_message.h"
#include "player/main_window.h"
#include "player/playback_controller.h"
#include "tests/support/scripted_prompts.h"

namespace {

TEST(MainWindowComposition, WithoutItsSkinTheWindowSaysSoAndGoesWithItsParts) {
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window = player::ComposeMainWindow({"/nowhere/a.mp3"}, false);
    ASSERT_TRUE(window);
    EXPECT_FALSE(window->Initialised());
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_FALSE(prompts.LastText().empty());
    EXPECT_EQ(MainWindow::Instance(), window.get());
    // Its parts are in place all the same: a viewer command reaches the playing logic.
    EXPECT_TRUE(SendWindowMessage(window.get(), UM_STOP));
    EXPECT_EQ(window->Controller().CurrentRow(), -1);
    EXPECT_EQ(window->Viewer(), nullptr);
    window.reset();
    EXPECT_EQ(MainWindow::Instance(), nullptr);
    QApplication::processEvents();
}

}  // namespace
