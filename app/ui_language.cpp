#include "app/ui_language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <QtDebug>
#include <algorithm>
#include <cctype>

#include "app/qt_translation.h"

namespace {

std::string LanguageCode(const std::string& locale) {
    std::string code = locale.substr(0, locale.find_first_of("_.@"));
    for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return code;
}

const char* Set(const EnvironmentLookup& lookup, const char* name) {
    const char* value = lookup ? lookup(name) : nullptr;
    return value && *value ? value : nullptr;
}

}  // namespace

std::optional<UiLanguage> LanguageNamed(const std::string& name) {
    const std::string code = LanguageCode(name);
    if (code == "ja")
        return UiLanguage::Japanese;
    if (code == "en")
        return UiLanguage::English;
    return std::nullopt;
}

UiLanguage LanguageOfLocale(const EnvironmentLookup& lookup) {
    if (const char* list = Set(lookup, "LANGUAGE")) {
        const std::string entries = list;
        size_t start = 0;
        while (start <= entries.size()) {
            const size_t colon = std::min(entries.find(':', start), entries.size());
            if (auto language = LanguageNamed(entries.substr(start, colon - start)))
                return *language;
            start = colon + 1;
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* locale = Set(lookup, name))
            return LanguageNamed(locale).value_or(UiLanguage::English);
    return UiLanguage::English;
}

LanguageChoice ChooseLanguage(const std::vector<std::string>& args,
                              const EnvironmentLookup& lookup) {
    LanguageChoice choice;
    std::optional<UiLanguage> chosen;
    const std::string kSwitch = "--lang=";
    for (const std::string& a : args) {
        if (a.compare(0, kSwitch.size(), kSwitch) != 0) {
            choice.rest.push_back(a);
            continue;
        }
        const std::string value = a.substr(kSwitch.size());
        if (auto language = LanguageNamed(value); language)
            chosen = language;
        else
            choice.warning = "veltra: unknown language '" + value + "' (use ja or en)";
    }
    if (!chosen) {
        if (const char* value = Set(lookup, "VELTRA_LANG")) {
            if (auto language = LanguageNamed(value))
                chosen = language;
            else if (choice.warning.empty())
                choice.warning = std::string("veltra: VELTRA_LANG names no known language: '") +
                                 value + "' (use ja or en)";
        }
    }
    choice.language = chosen.value_or(LanguageOfLocale(lookup));
    return choice;
}

bool InstallLanguage(QCoreApplication& application, UiLanguage language) {
    const bool japanese = language == UiLanguage::Japanese;
    // Fontconfig picks the fonts for the desktop's language (LANG): on a Japanese desktop
    // English would be drawn in a Japanese face, whose full stops and commas sit like
    // Japanese ones. Japanese keeps the desktop's choice, whose faces all hold its script;
    // so does a choice the user made for fontconfig.
    if (!japanese && qEnvironmentVariableIsEmpty("FC_LANG"))
        qputenv("FC_LANG", "en");
    QLocale::setDefault(QLocale(japanese ? QLocale::Japanese : QLocale::English,
                                japanese ? QLocale::Japan : QLocale::UnitedStates));
    auto* own = new QTranslator(&application);
    const QString name = japanese ? QStringLiteral("veltra_ja") : QStringLiteral("veltra_en");
    bool ok = own->load(name, QStringLiteral(":/translations"));
    if (ok) {
        QCoreApplication::installTranslator(own);
    } else {
        qWarning() << "app: catalogue" << name << "missing from the program's resources";
        delete own;
    }
    // Without Qt's catalogue its dialogs are English, which is what English wants.
    if (japanese)
        ok = InstallQtJapanese(application) && ok;
    return ok;
}
