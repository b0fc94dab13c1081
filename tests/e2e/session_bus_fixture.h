// The real program under the private session bus that the suite runs these tests in,
// driven and watched from outside with playerctl and the D-Bus tools.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/program_test.h"

namespace e2e {

inline std::string TrimmedAnswer(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// playerctl's answer for this player; "<failed>" when it could not be had.
inline std::string Ctl(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"playerctl", "--player=veltra"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    return RunTool(argv, &out) == 0 ? TrimmedAnswer(out) : "<failed>";
}

class SessionBusTest : public ProgramTest {
  protected:
    // tools: the commands, separated by spaces, that the tests need on the path.
    explicit SessionBusTest(std::string tools) : m_Tools(std::move(tools)) {}

    void SetUp() override {
        ProgramTest::SetUp();
        if (Stopped())
            return;
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus (the suite runs these under dbus-run-session)";
        ASSERT_EQ(RunTool({"sh", "-c", "command -v " + m_Tools}), 0) << m_Tools << " are needed";
    }

  private:
    std::string m_Tools;
};

}  // namespace e2e
