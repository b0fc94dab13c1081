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

// The media of one suite, by key: made once, decoded once.
struct Sources {
    std::string dir;
    std::map<std::string, std::string> path;
    std::map<std::string, refmedia::Decoded> decoded;

    // Makes the directory, calls make(dir, &path) and decodes every file it produced.
    void Make(
        const std::string& name,
        const std::function<void(const std::string&, std::map<std::string, std::string>*)>& make);
    void Remove();
};

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

}  // namespace reference
