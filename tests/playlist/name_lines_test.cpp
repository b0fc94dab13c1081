#include "playlist/name_lines.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

TEST(NameLines, ListsTheFirstTenAndCountsTheRest) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) names.push_back("n" + std::to_string(i));
    const std::string text = NameLines(names);
    EXPECT_EQ(text.rfind("\nn0\nn1\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nn9"), std::string::npos);
    EXPECT_EQ(text.find("n10"), std::string::npos);
    EXPECT_NE(text.find("ほか 2 件"), std::string::npos) << text;

    names.resize(10);
    EXPECT_EQ(NameLines(names).find("ほか"), std::string::npos) << "ten fit without a count";
    EXPECT_EQ(NameLines({}), "");
    EXPECT_EQ(NameLines({"a", "b"}, [](const std::string& s) { return "[" + s + "]"; }),
              "\n[a]\n[b]");
    // A name in a legacy encoding still makes valid UTF-8 for the box.
    const QString shown = QString::fromStdString(ShownName("caf\xE9.mp3"));
    EXPECT_EQ(shown, QStringLiteral("caf\uFFFD.mp3"));
}

TEST(NameLines, ANameTooLongForABoxLineKeepsItsStartAndEnd) {
    EXPECT_EQ(BoxName("short.wav"), "short.wav");
    const std::string exact(100, 'a');
    EXPECT_EQ(BoxName(exact), exact);
    const QString shown = QString::fromStdString(BoxName(std::string(246, 'n') + ".wav"));
    EXPECT_EQ(shown.size(), 99);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("nnnn")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("nn.wav")));
    EXPECT_EQ(shown.count(QChar(0x2026)), 1);
    // Wide characters take two columns and are kept whole, never cut in two.
    std::string wide;
    for (int i = 0; i < 60; ++i) wide += "\xF0\x9F\x8E\xB5";  // U+1F3B5, two UTF-16 units
    const std::u32string chars = QString::fromStdString(BoxName(wide)).toStdU32String();
    EXPECT_EQ(chars,
              std::u32string(24, U'\U0001F3B5') + U'\u2026' + std::u32string(24, U'\U0001F3B5'));
    // The lists of a box shorten their names the same way.
    EXPECT_EQ(NameLines({std::string(300, 'x')}), "\n" + BoxName(std::string(300, 'x')));
}
