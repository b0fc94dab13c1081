// The language comes from the switch, then VELTRA_LANG, then the locale as gettext reads
// it; the catalogues are complete and the chosen one changes what the code's texts show.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTranslator>
#include <QXmlStreamReader>
#include <cctype>
#include <cerrno>
#include <map>

#include "app/ui_language.h"
#include "playlist/error_reason.h"
#include "playlist/file_copier.h"
#include "playlist/playlist_text.h"
#include "playlist/trash.h"

namespace {

EnvironmentLookup Env(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
}

TEST(UiLanguageTest, LocaleDecidesAsGettextDoes) {
    EXPECT_EQ(LanguageOfLocale(Env({})), UiLanguage::English);
    EXPECT_EQ(LanguageOfLocale(Env({{"LANG", "ja_JP.UTF-8"}})), UiLanguage::Japanese);
    EXPECT_EQ(LanguageOfLocale(Env({{"LANG", "de_DE.UTF-8"}})), UiLanguage::English);
    EXPECT_EQ(LanguageOfLocale(Env({{"LANG", "C"}})), UiLanguage::English);
    EXPECT_EQ(LanguageOfLocale(Env({{"LANG", "POSIX"}})), UiLanguage::English);
    // LC_ALL over LC_MESSAGES over LANG; empty values count as unset.
    EXPECT_EQ(LanguageOfLocale(Env({{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}})),
              UiLanguage::English);
    EXPECT_EQ(LanguageOfLocale(Env({{"LC_ALL", ""}, {"LC_MESSAGES", "ja_JP"}, {"LANG", "en_US"}})),
              UiLanguage::Japanese);
    // LANGUAGE first; its first entry we have wins.
    EXPECT_EQ(LanguageOfLocale(Env({{"LANGUAGE", "de:ja"}, {"LANG", "en_US"}})),
              UiLanguage::Japanese);
    EXPECT_EQ(LanguageOfLocale(Env({{"LANGUAGE", "en_GB:ja"}, {"LANG", "ja_JP"}})),
              UiLanguage::English);
    EXPECT_EQ(LanguageOfLocale(Env({{"LANGUAGE", "fr"}, {"LANG", "ja_JP.UTF-8"}})),
              UiLanguage::Japanese);
}

TEST(UiLanguageTest, SwitchBeatsVariableBeatsLocaleAndLeavesTheStartFile) {
    auto env = Env({{"VELTRA_LANG", "en"}, {"LANG", "ja_JP.UTF-8"}});
    LanguageChoice c = ChooseLanguage({"--lang=ja", "a.mp3"}, env);
    EXPECT_EQ(c.language, UiLanguage::Japanese);
    EXPECT_EQ(c.rest, std::vector<std::string>{"a.mp3"});
    EXPECT_TRUE(c.warning.empty());
    // The switch last must not become the start file.
    c = ChooseLanguage({"/3ds", "a.mp3", "--lang=en"}, Env({{"LANG", "ja_JP.UTF-8"}}));
    EXPECT_EQ(c.language, UiLanguage::English);
    EXPECT_EQ(c.rest, (std::vector<std::string>{"/3ds", "a.mp3"}));
    EXPECT_EQ(ChooseLanguage({}, env).language, UiLanguage::English);
    // Unknown values are reported and fall through to the next source.
    c = ChooseLanguage({"--lang=fr"}, Env({{"VELTRA_LANG", "ja"}}));
    EXPECT_EQ(c.language, UiLanguage::Japanese);
    EXPECT_FALSE(c.warning.empty());
    c = ChooseLanguage({}, Env({{"VELTRA_LANG", "xx"}, {"LANG", "ja_JP"}}));
    EXPECT_EQ(c.language, UiLanguage::Japanese);
    EXPECT_NE(c.warning.find("VELTRA_LANG"), std::string::npos);
}

struct Entry {
    std::string context, source, translation, type;
};

std::vector<Entry> ReadCatalogue(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    std::vector<Entry> entries;
    QXmlStreamReader xml(&file);
    std::string context;
    Entry e;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name")
            context = xml.readElementText().toStdString();
        else if (xml.name() == u"source")
            e.source = xml.readElementText().toStdString();
        else if (xml.name() == u"translation") {
            e.type = xml.attributes().value("type").toString().toStdString();
            e.translation = xml.readElementText().toStdString();
            e.context = context;
            entries.push_back(e);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return entries;
}

bool HasJapaneseScript(const std::string& utf8) {
    for (char32_t c : QString::fromStdString(utf8).toUcs4())
        if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
            (c >= 0xFF00 && c <= 0xFFEF))
            return true;
    return false;
}

TEST(UiLanguageTest, CataloguesAreFinishedAndJapaneseKeepsTheCodesTexts) {
    const QString folder = QStringLiteral(VELTRA_SOURCE_DIR "/resources/translations/");
    const auto ja = ReadCatalogue(folder + "veltra_ja.ts");
    const auto en = ReadCatalogue(folder + "veltra_en.ts");
    ASSERT_GT(ja.size(), 100u);
    ASSERT_EQ(ja.size(), en.size());
    for (const Entry& e : ja) {
        EXPECT_TRUE(e.type.empty()) << e.context << ": " << e.source << " is " << e.type;
        // Qt's own texts that its catalogue lacks are the one place ours translates.
        if (e.context == "QAbstractFileIconProvider")
            EXPECT_TRUE(HasJapaneseScript(e.translation)) << e.source;
        else
            EXPECT_EQ(e.translation, e.source) << e.context;
    }
    for (const Entry& e : en) {
        EXPECT_TRUE(e.type.empty()) << e.context << ": " << e.source << " is " << e.type;
        EXPECT_FALSE(e.translation.empty()) << e.context << ": " << e.source;
        EXPECT_FALSE(HasJapaneseScript(e.translation)) << e.context << ": " << e.translation;
    }
}

// Where the Japanese is a sentence the English is one too: a capital first letter and a
// closing mark, unless it carries on from a name set before it or ends on one.
TEST(UiLanguageTest, EnglishSentencesStartAndEndAsSentences) {
    const auto en =
        ReadCatalogue(QStringLiteral(VELTRA_SOURCE_DIR "/resources/translations/veltra_en.ts"));
    auto trimmed = [](std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        return text;
    };
    auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() &&
               text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    int sentences = 0;
    for (const Entry& e : en) {
        const std::string source = trimmed(e.source);
        if (!endsWith(source, "。") && !endsWith(source, "？"))
            continue;
        ++sentences;
        const std::string english = trimmed(e.translation);
        SCOPED_TRACE(e.context + ": " + e.translation);
        ASSERT_FALSE(english.empty());
        const bool carriesOn = e.source.front() == '\n' || e.source.rfind("%1", 0) == 0;
        const auto first = static_cast<unsigned char>(english.front());
        EXPECT_TRUE(carriesOn || !std::isalpha(first) || std::isupper(first));
        EXPECT_TRUE(endsWith(english, ".") || endsWith(english, "?") || endsWith(english, "%1"));
    }
    EXPECT_GT(sentences, 40);
}

// A reason shown on a line of its own is a sentence; set into another, it is a phrase.
TEST(UiLanguageTest, EnglishFailureReasonsReadInTheirPlace) {
    ASSERT_TRUE(InstallLanguage(*QCoreApplication::instance(), UiLanguage::English));
    EXPECT_EQ(ErrorSentence(EACCES), "Access was denied.");
    EXPECT_EQ(ErrorSentence(0), "An input/output error occurred.");
    EXPECT_EQ(ErrorReason(ENOSPC), "not enough free space");
    CopyOutcome outcome;
    outcome.status = CopyStatus::WriteFailed;
    outcome.error = EROFS;
    EXPECT_EQ(CopyStatusText(outcome), "Cannot write to the destination (read-only drive)");
    // The C library's rare rest ends as a sentence too.
    EXPECT_EQ(ErrorSentence(EXDEV).back(), '.');
    // A list that cannot be opened: its name, what failed, and why, each a line.
    const std::string missing = "/nonexistent-veltra-folder/list.vpl";
    std::string bytes;
    EXPECT_EQ(ReadPlaylistBytes(missing, &bytes).error,
              missing + "\ncannot be opened.\nThe file or folder was not found.");
    // GIO's reason for a file it cannot find is ours, in the program's language.
    const TrashResult trashed = MoveToTrash(missing);
    EXPECT_FALSE(trashed.ok);
    EXPECT_EQ(trashed.error,
              "list.vpl could not be moved to the trash.\nThe file or folder was not found.");
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(ErrorSentence(EACCES), "アクセスが拒否されました。");
}

TEST(UiLanguageTest, InstalledLanguageChangesTheTextsAndTheLocale) {
    const char* menu = "ファイル（&F）";
    // English fonts are matched for English, unless the user chose for fontconfig.
    const QByteArray userFontLanguage = qgetenv("FC_LANG");
    qunsetenv("FC_LANG");
    ASSERT_TRUE(InstallLanguage(*QCoreApplication::instance(), UiLanguage::English));
    EXPECT_EQ(qgetenv("FC_LANG"), QByteArray("en"));
    qputenv("FC_LANG", "de");
    EXPECT_EQ(QCoreApplication::translate("Menus", menu), QStringLiteral("&File"));
    EXPECT_EQ(QLocale().language(), QLocale::English);
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    ASSERT_TRUE(InstallLanguage(*QCoreApplication::instance(), UiLanguage::Japanese));
    EXPECT_EQ(qgetenv("FC_LANG"), QByteArray("de"));
    qunsetenv("FC_LANG");
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    ASSERT_TRUE(InstallLanguage(*QCoreApplication::instance(), UiLanguage::Japanese));
    EXPECT_TRUE(qgetenv("FC_LANG").isEmpty()) << "Japanese keeps the desktop's fonts";
    if (userFontLanguage.isEmpty())
        qunsetenv("FC_LANG");
    else
        qputenv("FC_LANG", userFontLanguage);
    EXPECT_EQ(QCoreApplication::translate("Menus", menu), QString::fromUtf8(menu));
    EXPECT_EQ(QCoreApplication::translate("PlaylistModel", "Name"), QStringLiteral("Name"));
    // The file dialog's folders, whose name Qt's own Japanese catalogue lacks.
    EXPECT_EQ(
        QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
        QStringLiteral("フォルダー"));
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QLocale::setDefault(QLocale::system());
}

}  // namespace
