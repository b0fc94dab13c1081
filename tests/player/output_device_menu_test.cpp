// The output submenu over a scripted list of outputs, and the real list from a private
// sound server: what it shows, what a choice keeps and where the next stream goes.
#include "player/output_device_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "platform/settings.h"
#include "platform/sound_output.h"
#include "player/menus.h"
#include "tests/platform/private_sound_server.h"
#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"

namespace {

QStringList Labels(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << a->text();
    return out;
}

QString Checked(QMenu* menu) {
    for (QAction* a : menu->actions())
        if (a->isChecked())
            return a->text();
    return {};
}

class OutputDeviceMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("outputmenu");
        SetSettingsFilePath(dir + "/plInfo.ini");
        mainMenu = menus::BuildMainMenu(nullptr);
        submenu = mainMenu->findChild<QMenu*>(menus::kOutputDeviceMenu);
        ASSERT_NE(submenu, nullptr);
    }
    void TearDown() override {
        mainMenu.reset();
        SetSettingsFilePath("");
        SetSoundOutput({});
        testmedia::RemoveTree(dir);
    }
    // A menu over the outputs listed now; each listing is counted.
    OutputDeviceMenu* Make() {
        // Counted before the menu exists: its first listing may be done before it returns.
        const int before = listings;
        auto* m = new OutputDeviceMenu(submenu, [this] {
            ++listings;
            return outputs;
        });
        EXPECT_TRUE(
            PumpUntil([&] { return listings > before && !Labels(submenu).empty(); }, 30000));
        PumpUntil([&] { return m->Listed() == outputs; }, 30000);
        return m;
    }

    std::string dir;
    std::unique_ptr<QMenu> mainMenu;
    QMenu* submenu = nullptr;
    std::vector<OutputDevice> outputs = {{"first", "Speakers"}, {"second", "Headphones"}};
    std::atomic<int> listings{0};
};

TEST_F(OutputDeviceMenuTest, AChoiceIsKeptAndSendsTheNextStreamThere) {
    OutputDeviceMenu* m = Make();
    EXPECT_EQ(Labels(submenu), QStringList({"システムの既定", "Speakers", "Headphones"}));
    EXPECT_EQ(Checked(submenu), "システムの既定");
    EXPECT_TRUE(CurrentSoundOutput().IsDefault());

    submenu->actions()[2]->trigger();
    EXPECT_EQ(Checked(submenu), "Headphones");
    EXPECT_EQ(CurrentSoundOutput().name, "second");
    EXPECT_EQ(ReadSoundOutput(), "second");

    // The next run finds the choice where it was kept.
    delete m;
    SetSoundOutput({});
    Make();
    EXPECT_EQ(CurrentSoundOutput().name, "second");
    EXPECT_EQ(Checked(submenu), "Headphones");

    submenu->actions()[0]->trigger();
    EXPECT_TRUE(CurrentSoundOutput().IsDefault());
    EXPECT_EQ(ReadSoundOutput(), "");
}

TEST_F(OutputDeviceMenuTest, AKeptOutputThatIsGonePlaysOnTheDefaultAndComesBack) {
    ASSERT_TRUE(WriteSoundOutput("usb"));
    Make();
    EXPECT_TRUE(CurrentSoundOutput().IsDefault());
    EXPECT_EQ(Checked(submenu), "システムの既定");
    EXPECT_EQ(ReadSoundOutput(), "usb") << "kept for when it is plugged in again";

    // Plugged in while the program runs: the next opening of the menu lists it and sound
    // goes there again.
    outputs.push_back({"usb", "USB & Co"});
    const int before = listings;
    emit submenu->aboutToShow();
    ASSERT_TRUE(PumpUntil([&] { return listings > before && Labels(submenu).size() == 4; }, 30000));
    EXPECT_EQ(Checked(submenu), "USB && Co");
    EXPECT_EQ(CurrentSoundOutput().name, "usb");
}

TEST_F(OutputDeviceMenuTest, TheServersOutputsAreListedByTheirDescriptions) {
    std::string why;
    testsound::PrivateSoundServer server;
    ASSERT_TRUE(server.Start(dir, {{"veltra_a", "Desk"}, {"veltra_b", "Living room"}}, &why))
        << why;
    const char* old = std::getenv("PULSE_SERVER");
    const std::string saved = old ? old : "";
    setenv("PULSE_SERVER", server.Address().c_str(), 1);
    std::vector<OutputDevice> listed = ListServerOutputs();
    saved.empty() ? unsetenv("PULSE_SERVER") : setenv("PULSE_SERVER", saved.c_str(), 1);
    EXPECT_EQ(listed,
              (std::vector<OutputDevice>{{"veltra_a", "Desk"}, {"veltra_b", "Living room"}}));
}

}  // namespace
