// `veltra --help` from the real program: the usage in the language the switch, VELTRA_LANG
// or the locale chooses, every switch named, exit 0; an output that cannot take it fails.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <map>

namespace {

struct Answer {
    int code = -1;
    QString out;
};

Answer Help(const std::map<QString, QString>& env, const QStringList& args = {},
            const QString& outputFile = {}) {
    const std::string program = std::string(VELTRA_BIN_DIR) + "/veltra";
    EXPECT_TRUE(std::filesystem::exists(program)) << "the program is not built";
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"VELTRA_LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "DISPLAY"})
        e.remove(QString::fromLatin1(name));
    for (const auto& [name, value] : env) e.insert(name, value);
    QProcess p;
    p.setProcessEnvironment(e);
    if (!outputFile.isEmpty())
        p.setStandardOutputFile(outputFile);
    p.start(QString::fromStdString(program), QStringList{"--help"} + args);
    Answer a;
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit)
        return a;
    a.code = p.exitCode();
    a.out = QString::fromUtf8(p.readAllStandardOutput());
    return a;
}

bool HasJapanese(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x3000 && c.unicode() <= 0xFFEF)
            return true;
    return false;
}

void ExpectEverySwitch(const QString& out) {
    for (const char* s : {"--lang=ja|en", "--enqueue", "--cut", "--volume", "/3ds", "--version"})
        EXPECT_TRUE(out.contains(QString::fromLatin1(s))) << s << "\n" << out.toStdString();
}

TEST(UsageText, FollowsTheLocaleAndTheSwitch) {
    const Answer ja = Help({{"LANG", "ja_JP.UTF-8"}});
    EXPECT_EQ(ja.code, 0);
    EXPECT_TRUE(ja.out.startsWith(QStringLiteral("使い方: veltra"))) << ja.out.toStdString();
    EXPECT_TRUE(ja.out.contains(QStringLiteral("ファイル")));
    ExpectEverySwitch(ja.out);

    // The switch wins over the locale, and every other language gets English.
    for (const auto& [env, args] :
         {std::pair{std::map<QString, QString>{{"LANG", "ja_JP.UTF-8"}}, QStringList{"--lang=en"}},
          std::pair{std::map<QString, QString>{{"LANG", "de_DE.UTF-8"}}, QStringList{}},
          std::pair{std::map<QString, QString>{{"VELTRA_LANG", "en"}, {"LANG", "ja_JP.UTF-8"}},
                    QStringList{}}}) {
        const Answer en = Help(env, args);
        EXPECT_EQ(en.code, 0);
        EXPECT_TRUE(en.out.startsWith(QStringLiteral("Usage: veltra"))) << en.out.toStdString();
        EXPECT_FALSE(HasJapanese(en.out)) << en.out.toStdString();
        ExpectEverySwitch(en.out);
    }
}

TEST(UsageText, AFullOutputIsAFailure) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(Help({{"LANG", "ja_JP.UTF-8"}}, {}, QStringLiteral("/dev/full")).code, 1);
}

}  // namespace
