// Test entry point: one QApplication for the whole test program, offscreen unless the
// environment names another platform, so widget tests run headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!std::getenv("VELTRA_FAKE_AUDIO"))
        setenv("VELTRA_FAKE_AUDIO", "1", 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
