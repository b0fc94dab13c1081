// --help and --version: recognised anywhere among the arguments, printed without a
// display and without the single-instance lock, and a failed write is no success.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "app/player_app.h"
#include "app/program_info.h"
#include "platform/instance_lock.h"

namespace {

std::string Answer(std::vector<std::string> args, int* code) {
    std::vector<char*> argv{const_cast<char*>("veltra")};
    for (auto& a : args) argv.push_back(a.data());
    std::FILE* out = std::tmpfile();
    *code = AnswerInfoRequest(static_cast<int>(argv.size()), argv.data(), out);
    std::rewind(out);
    std::string text;
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, out)) text.append(buf, n);
    std::fclose(out);
    return text;
}

}  // namespace

TEST(ProgramInfo, VersionAnswersAndOtherArgumentsKeepTheirMeaning) {
    int code = 0;
    EXPECT_EQ(Answer({"--version"}, &code), "VELTRA 1.1\n");
    EXPECT_EQ(code, 0);
    // The first of the two decides; the usage answers --help in the user's language.
    EXPECT_EQ(Answer({"--version", "--help"}, &code), "VELTRA 1.1\n");
    EXPECT_EQ(Answer({"/3ds", "--help", "--version"}, &code), "");
    EXPECT_EQ(code, -1);
    EXPECT_EQ(InfoRequestOf({"/3ds", "--help", "song.wav"}), InfoRequest::Help);

    // Anything else starts the program as before and prints nothing.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"song.wav"}, {"/3ds", "song.wav"}, {"-help"}, {"--HELP"}, {"--help=1"}}) {
        EXPECT_EQ(Answer(args, &code), "");
        EXPECT_EQ(code, -1);
        EXPECT_EQ(InfoRequestOf(args), InfoRequest::None);
    }
    EXPECT_EQ(ParseCommandLine({"/3ds", "song.wav"}).startFile, "song.wav");
}

TEST(ProgramInfo, OutputThatCannotBeWrittenFails) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full)
        GTEST_SKIP() << "no /dev/full";
    char prog[] = "veltra";
    char arg[] = "--version";
    char* argv[] = {prog, arg};
    EXPECT_EQ(AnswerInfoRequest(2, argv, full), 1);
    std::fclose(full);
}

// The real program: no display to open and another copy holding the lock, yet both
// questions are answered.
TEST(ProgramInfo, TheProgramAnswersWithoutDisplayOrInstanceLock) {
    const std::string program = std::string(VELTRA_BIN_DIR) + "/veltra";
    if (!std::filesystem::exists(program))
        FAIL() << "the program is not built";
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    InstanceLock held(kInstanceMutexName, runtime.path().toStdString());
    ASSERT_EQ(held.Acquire(), InstanceLock::Result::Acquired);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");  // a window would fail to open here
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("VELTRA_LANG", "en");  // the usage speaks the chosen language
    for (const char* arg : {"--help", "--version"}) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(program), {QString::fromLatin1(arg)});
        ASSERT_TRUE(p.waitForFinished(10000)) << arg;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << arg;
        EXPECT_EQ(p.exitCode(), 0) << arg << p.readAllStandardError().toStdString();
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith(arg == std::string("--help") ? "Usage: veltra" : "VELTRA 1.1"))
            << out.toStdString();
    }
}
