// What the reference suites share: a directory of generated sources decoded once per
// suite, a record of the figures measured along the way, and a graph opened as the editor
// opens it that runs one cut to its end.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/media_graph.h"
#include "engine/video_widget.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/reference_media.h"

namespace reference {

// A figure for the record, printed with the others when the suite ends.
void Note(const std::string& line);
void PrintNotes();

std::string Fixed(double v, int digits = 1);

// Runs a shell command quietly; true when it exits with 0.
bool Shell(const std::string& command);
std::string Quoted(const std::string& path);

// Writes the suite's sources into dir, each file under its key ("" where it could not be
// made).
using SourceMaker = std::function<void(const std::string&, std::map<std::string, std::string>*)>;

// The media of one suite, by key: made once, decoded once.
struct Sources {
    std::string dir;
    std::map<std::string, std::string> path;
    std::map<std::string, refmedia::Decoded> decoded;

    // Makes the directory, calls make(dir, &path) and decodes every file it produced.
    void Make(const std::string& name, const SourceMaker& make);
    void Remove();
};

// The sources of the suite that runs (each suite is a program of its own).
Sources& SuiteSources();
// The suite's source of that key. A missing one fails the test, except one that needs
// ffmpeg on a machine without it, which is only noted.
const std::string& SuiteSource(const std::string& key, bool needsFfmpeg);

class CutTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the source as the editor does and calls start(); when that started a cut,
    // whether it completed within timeoutMs with the file under its name.
    bool RunCut(const std::string& source, const std::string& target,
                const std::function<bool()>& start, int timeoutMs);
    bool Cut(const std::string& source, ConversionMode mode, const std::string& target,
             double start, double stop, int extra, int timeoutMs = 60000);

    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

// A cut suite whose sources Suite::MakeSources writes when the suite starts, into a folder
// named Suite::kSourcesName; they go, and the figures are printed, when it ends.
template <typename Suite>
class SourcedCutTest : public CutTest {
  public:
    static void SetUpTestSuite() { SuiteSources().Make(Suite::kSourcesName, Suite::MakeSources); }
    static void TearDownTestSuite() {
        SuiteSources().Remove();
        PrintNotes();
    }
};

}  // namespace reference
