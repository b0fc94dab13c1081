#include "platform/output_choice.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/settings.h"
#include "platform/sound_output.h"
#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"

namespace {

const std::vector<OutputDevice> kListed = {
    {"alsa_output.analog", "Built-in Audio"},
    {"bluez_sink.headset", "Headset"},
    {"usb_a", "USB Audio"},
    {"usb_b", "USB Audio"},
    {"bare_sink", ""},
    {"", "a device without a server name"},
};

TEST(OutputChoice, AStoredOutputThatIsGoneMeansTheDefault) {
    EXPECT_EQ(ResolveOutput("bluez_sink.headset", kListed), kListed[1]);
    EXPECT_TRUE(ResolveOutput("unplugged", kListed).IsDefault());
    EXPECT_TRUE(ResolveOutput("", kListed).IsDefault());
    EXPECT_TRUE(ResolveOutput("usb_a", {}).IsDefault()) << "nothing listed: no server";
}

TEST(OutputChoice, MenuEntriesShowDescriptionsAndCheckWhereSoundGoes) {
    auto entries = OutputMenuEntries(kListed, "usb_b", "System default");
    ASSERT_EQ(entries.size(), 6u) << "the default, then every output with a server name";
    EXPECT_EQ(entries[0].label, "System default");
    EXPECT_TRUE(entries[0].name.empty());
    EXPECT_EQ(entries[1].label, "Built-in Audio");
    EXPECT_EQ(entries[2].label, "Headset");
    // Two outputs of one description are told apart; one without a description shows its name.
    EXPECT_EQ(entries[3].label, "USB Audio (usb_a)");
    EXPECT_EQ(entries[4].label, "USB Audio (usb_b)");
    EXPECT_EQ(entries[5].label, "bare_sink");
    int checked = 0;
    for (const auto& e : entries) checked += e.checked;
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(entries[4].checked);

    entries = OutputMenuEntries(kListed, "", "System default");
    EXPECT_TRUE(entries[0].checked);
    entries = OutputMenuEntries(kListed, "unplugged", "System default");
    EXPECT_TRUE(entries[0].checked) << "an output not listed: one entry stays checked";
}

TEST(OutputChoice, AmpersandsInNamesAreNoMnemonics) {
    auto entries = OutputMenuEntries({{"rock", "Rock & Roll"}}, "", "既定");
    EXPECT_EQ(entries[1].label, "Rock && Roll");
}

// Whether a thread of this process sleeps (blocked in a wait), as the kernel tells it.
bool ThreadWaits(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t name = line.rfind(')');
    return name != std::string::npos && line.compare(name, 3, ") S") == 0;
}

TEST(SoundOutput, AStreamWaitsBrieflyForTheStoredChoiceToBeFound) {
    SetSoundOutput({});
    ExpectSoundOutput();
    std::atomic<pid_t> reader{0};
    std::thread finder([&] {
        // The look-up answers only once the reader waits for it.
        EXPECT_TRUE(WaitUntil([&] { return reader != 0 && ThreadWaits(reader); }, 30000));
        SetSoundOutput({"second", "Second"});
    });
    reader = gettid();
    EXPECT_EQ(CurrentSoundOutput().name, "second") << "read before the look-up answered";
    finder.join();

    // A look-up that never answers holds a stream back for a bounded time only.
    SetSoundOutput({});
    ExpectSoundOutput();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(CurrentSoundOutput().IsDefault());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const auto again = std::chrono::steady_clock::now();
    CurrentSoundOutput();
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(500))
        << "only the first read waits";
}

TEST(SoundOutput, TheChoiceIsANewKeyBesideTheOldOnes) {
    const std::string dir = testmedia::MakeTempDir("outputkey");
    const std::string ini = dir + "/plInfo.ini";
    SetSettingsFilePath(ini);
    EXPECT_EQ(ReadSoundOutput(), "") << "no file: the default";
    WriteKeepWindowSize(true);
    ASSERT_TRUE(WriteSoundOutput("usb_b"));
    EXPECT_EQ(ReadSoundOutput(), "usb_b");
    EXPECT_TRUE(ReadKeepWindowSize()) << "the old key keeps its value";
    const std::string text = testmedia::ReadFile(ini);
    EXPECT_NE(text.find("STRECH=TRUE"), std::string::npos) << text;
    EXPECT_NE(text.find("SOUNDOUTPUT=usb_b"), std::string::npos) << text;
    ASSERT_TRUE(WriteSoundOutput(""));
    EXPECT_EQ(ReadSoundOutput(), "");
    SetSettingsFilePath("");
    testmedia::RemoveTree(dir);
}

}  // namespace
