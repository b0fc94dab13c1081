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
    // Headless, with the program folder of this build, and registrations kept in a
    // store of the build's own rather than the user's.
    setenv("VELTRA_FAKE_AUDIO", "1", 0);
    setenv("VELTRA_BIN_DIR", VELTRA_BIN_DIR, 0);
    setenv("GST_PLUGIN_PATH", VELTRA_BIN_DIR, 0);
    setenv("VELTRA_REGISTRY", VELTRA_TEST_REGISTRY, 0);
    // Notes of scratch files go to the build's own state folder, never the user's.
    setenv("XDG_STATE_HOME", VELTRA_TEST_STATE, 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
