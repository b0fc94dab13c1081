// The engine's failures travel as values: the texts a failed open or conversion start has
// for the user are handed to the caller, and no box is shown by the engine itself (the
// prompts installed here fail the test if one is asked for).
#include <gtest/gtest.h>

#include <string>

#include "engine/media_graph.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

class GraphNoticesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("graphnotices");
        graph.SetWindows(&notify, nullptr, nullptr);
    }
    void TearDown() override {
        graph.Close();
        testmedia::RemoveTree(dir);
    }
    static std::string RenderFileText(HRESULT hr) {
        char text[128];
        std::snprintf(text, sizeof text, "FAILED(hr=0x%x) m_pGB->RenderFile( wFile, NULL )\n",
                      static_cast<unsigned>(hr));
        return text;
    }
    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    MediaGraph graph;
};

TEST_F(GraphNoticesTest, ANameTheFileSystemCannotLookUpIsMissingWithItsText) {
    // Short enough for the graph's bound, too long for one name of the file system.
    const std::string name = dir + "/" + std::string(300, 'n') + ".wav";
    const HRESULT hr = graph.Open(name.c_str(), FALSE);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(graph.TakeNotices(), (Notices{{RenderFileText(hr), "警告", MB_OK}}));
    EXPECT_FALSE(graph.HasGraph());
}

TEST_F(GraphNoticesTest, AConversionFromAnUnreadableSourceHandsItsTextOver) {
    const std::string junk = testmedia::WriteBytes(dir, "junk.wav", std::string(4096, '\x5a'));
    const std::string target = dir + "/out.wav";
    EXPECT_FALSE(graph.Convert(junk.c_str(), ConversionMode::Wav, target.c_str(), 0, 10, 100));
    const Notices told = graph.TakeNotices();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, RenderFileText(graph.GetLastError()));
    EXPECT_EQ(told[0].caption, "警告");
    EXPECT_FALSE(graph.HasGraph());
}

TEST_F(GraphNoticesTest, EachOpenBeginsWithNothingToTell) {
    const std::string tone = testmedia::Tone(dir, "tone.wav", 0.5);
    EXPECT_TRUE(FAILED(graph.Open((dir + "/missing.wav").c_str(), FALSE)));
    ASSERT_EQ(graph.Open(tone.c_str(), FALSE), S_OK);
    EXPECT_TRUE(graph.TakeNotices().empty()) << "the failure before is not this open's";
}

}  // namespace
