// The fixture every window check starts from: a display to draw on (the check is skipped
// without one), a sandbox of its own, and the program started in it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/x11_session.h"

namespace e2e {

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!DisplayUsable(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(box.Ok());
    }
    // A fixture with more to set up goes on only where this one let it.
    bool Stopped() const { return IsSkipped() || HasFatalFailure(); }

    // Starts the program with these arguments and waits until it is ready; window gets its
    // main window (empty, with a failure recorded, when it never came).
    std::unique_ptr<VeltraProcess> Start(const std::vector<std::string>& args, std::string* window,
                                         const std::string& program = {}) {
        auto app = std::make_unique<VeltraProcess>(box, args, program);
        *window = WaitForMainWindow(*app);
        EXPECT_FALSE(window->empty()) << app->Log();
        return app;
    }

    std::string Media(const std::string& name) const { return box.MediaDir() + "/" + name; }

    // Double-clicks the list's first row in `main` and waits until the program logs
    // `opened`; false, with the log recorded in a failure, when it never does.
    bool PlayFirstRow(VeltraProcess& app, const std::string& main, const std::string& opened,
                      int timeoutMs = 8000) {
        Click(main, FirstRow(Layout(app)), 2);
        if (app.WaitForLog(opened, timeoutMs))
            return true;
        ADD_FAILURE() << "never logged \"" << opened << "\"\n" << app.Log();
        return false;
    }
    // The same, and then the viewer showing the row: its window, or empty with a failure
    // recorded.
    std::string ShowFirstRow(VeltraProcess& app, const std::string& main, const std::string& opened,
                             int timeoutMs = 8000) {
        if (!PlayFirstRow(app, main, opened, timeoutMs))
            return {};
        std::string viewer = WaitForWindow(kViewerTitle, app.Pid(), 5000);
        EXPECT_FALSE(viewer.empty()) << "no viewer";
        return viewer;
    }

    Sandbox box;
};

}  // namespace e2e
