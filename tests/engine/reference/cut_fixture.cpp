#include "tests/engine/reference/cut_fixture.h"

#include <QRect>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/messages.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;

namespace reference {

namespace {
std::vector<std::string>& Notes() {
    static std::vector<std::string> lines;
    return lines;
}
}  // namespace

void Note(const std::string& line) {
    Notes().push_back(line);
}

void PrintNotes() {
    std::printf("\n-- measured --\n");
    for (const auto& line : Notes()) std::printf("%s\n", line.c_str());
    Notes().clear();
}

std::string Fixed(double v, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, v);
    return buffer;
}

std::string Quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool Shell(const std::string& command) {
    return std::system((command + " </dev/null >/dev/null 2>&1").c_str()) == 0;
}

void Sources::Make(const std::string& name, const SourceMaker& make) {
    dir = testmedia::MakeTempDir(name);
    make(dir, &path);
    for (auto& [key, p] : path)
        if (!p.empty())
            decoded[key] = refmedia::Decode(p);
}

void Sources::Remove() {
    testmedia::RemoveTree(dir);
    path.clear();
    decoded.clear();
}

Sources& SuiteSources() {
    static Sources sources;
    return sources;
}

const std::string& SuiteSource(const std::string& key, bool needsFfmpeg) {
    const std::string& p = SuiteSources().path[key];
    if (p.empty() && needsFfmpeg && !refmedia::HaveFfmpeg())
        std::printf("no %s source without ffmpeg\n", key.c_str());
    else
        EXPECT_FALSE(p.empty()) << "could not make the " << key << " source";
    return p;
}

void CutTest::SetUp() {
    dir = testmedia::MakeTempDir("cut");
}

void CutTest::TearDown() {
    graph.Close();
    testmedia::RemoveTree(dir);
}

bool CutTest::RunCut(const std::string& source, const std::string& target,
                     const std::function<bool()>& start, int timeoutMs) {
    notify.messages.clear();
    widget.resize(240, 180);
    QRect r(0, 0, 240, 180);
    graph.SetWindows(&notify, &widget, &r);
    if (FAILED(graph.Open(source.c_str(), FALSE)) || !start())
        return false;
    bool done = PumpUntil(
        [&] { return notify.Count(UM_GRAPH_COMPLETE) > 0 || notify.Count(UM_GRAPH_STOPPED) > 0; },
        timeoutMs);
    bool complete = done && notify.Count(UM_GRAPH_COMPLETE) > 0;
    graph.Close();
    return complete && fs::exists(target);
}

bool CutTest::Cut(const std::string& source, ConversionMode mode, const std::string& target,
                  double start, double stop, int extra, int timeoutMs) {
    return RunCut(
        source, target,
        [&] {
            return graph.Convert(source.c_str(), mode, target.c_str(), start * 10.0, stop * 10.0,
                                 extra) == TRUE;
        },
        timeoutMs);
}

}  // namespace reference
