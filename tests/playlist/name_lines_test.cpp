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
