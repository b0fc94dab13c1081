// The editor under X for the end-to-end checks: the program started on one file, the
// editor opened on it from the main window, its controls found by their layout lines, and
// an execution answered through the real save prompt.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/program_test.h"

namespace e2e {

inline constexpr const char* kEditorTitle = "VELTRA";  // the main window and the editor alike

// A titled window of the program that is none of the known ones (Qt keeps an untitled
// helper window of the screen's size mapped as well).
inline std::string WaitForOtherWindow(const std::string& title, qint64 pid,
                                      const std::vector<std::string>& known, int ms) {
    std::string found;
    WaitFor(
        [&] {
            for (const std::string& id : FindWindows(title, pid))
                if (std::find(known.begin(), known.end(), id) == known.end()) {
                    found = id;
                    return true;
                }
            return false;
        },
        ms);
    return found;
}

class EditorSessionTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (Stopped())
            return;
        // Before the artwork is built the tests' plain skin stands in for it.
        std::string skin = box.BinDir() + "/skin.dat";
        std::string writer = std::string(VELTRA_BIN_DIR) + "/../tests/editor_test_skin";
        if (!std::filesystem::exists(skin) &&
            (!std::filesystem::exists(writer) || RunTool({writer, skin}) != 0))
            FAIL() << "no skin.dat in the program folder";
    }

    // Replaces a field's text by typing, as the user would.
    void TypeInto(const std::string& window, const QRect& field, const std::string& text) {
        Click(window, Centre(field));
        Key(window, "ctrl+a");
        TypeText(window, text);
    }

    struct Session {
        std::unique_ptr<VeltraProcess> app;
        std::string main, editor;
        QPoint firstRow;
        std::map<std::string, QRect> controls;
    };
    // The program started on one file, its row selected (towards its right end, clear of
    // the name's text) and Edit pressed; editor stays empty, with a failure recorded, when
    // the editor never came.
    Session EditFile(const std::string& file) {
        Session s;
        s.app = Start({file}, &s.main);
        if (s.main.empty())
            return s;
        VeltraProcess& app = *s.app;
        auto layout = Rects(app.Log(), R"(veltra\.player: layout)");
        if (!layout.count("list") || !layout.count("edit")) {
            ADD_FAILURE() << app.Log();
            return s;
        }
        s.firstRow = QPoint(layout["list"].right() - 40, layout["list"].y() + 30);
        Click(s.main, s.firstRow);
        Click(s.main, Centre(layout["edit"]));
        if (!app.WaitForLog("editor layout preview", 10000)) {
            ADD_FAILURE() << app.Log();
            return s;
        }
        s.editor = WaitForOtherWindow(kEditorTitle, app.Pid(), {s.main}, 5000);
        EXPECT_FALSE(s.editor.empty()) << app.Log();
        s.controls = Rects(app.Log(), "editor layout");
        return s;
    }

    // Execute, then the platform's save prompt answered with a full path and Return; true
    // once the file is there and the finished output has closed the editor.
    ::testing::AssertionResult ExecuteInto(Session& s, const std::string& target) {
        VeltraProcess& app = *s.app;
        Click(s.editor, Centre(s.controls["execute"]));
        std::string prompt = WaitForOtherWindow(".+", app.Pid(), {s.main, s.editor}, 8000);
        if (prompt.empty())
            return ::testing::AssertionFailure() << "no save prompt\n" << app.Log();
        if (!AnswerPathPrompt(prompt, target, app.Pid()))
            return ::testing::AssertionFailure() << "the save prompt stays\n" << app.Log();
        bool done = WaitFor(
            [&] {
                auto ids = FindWindows(".*", app.Pid());
                return std::filesystem::exists(target) &&
                       std::find(ids.begin(), ids.end(), s.editor) == ids.end();
            },
            20000);
        if (!done)
            return ::testing::AssertionFailure() << app.Log();
        return ::testing::AssertionSuccess();
    }
};

}  // namespace e2e
