// Which language the program's texts are shown in: Japanese or English, chosen once at
// start from the command line, VELTRA_LANG or the locale. Stored files never depend on it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCoreApplication;

enum class UiLanguage { Japanese, English };

// "ja" or "en" (any case); nothing for anything else.
std::optional<UiLanguage> LanguageNamed(const std::string& name);

// The desktop's choice, read as gettext reads it: LANGUAGE (a colon list, the first entry
// we have wins), then the first set of LC_ALL, LC_MESSAGES, LANG. Japanese for ja, English
// for every other language, C and POSIX, and when nothing is set.
using EnvironmentLookup = std::function<const char*(const char*)>;
UiLanguage LanguageOfLocale(const EnvironmentLookup& lookup);

struct LanguageChoice {
    UiLanguage language = UiLanguage::English;
    std::vector<std::string> rest;  // the arguments without the language switch
    std::string warning;            // set when a switch or VELTRA_LANG named no language we have
};

// args excludes the program name. "--lang=ja|en" wins over VELTRA_LANG, which wins over
// the locale; an unknown value is reported and ignored.
LanguageChoice ChooseLanguage(const std::vector<std::string>& args,
                              const EnvironmentLookup& lookup);

// Installs the program's catalogue and, for Japanese, Qt's own, and makes the language the
// default locale so that dates and numbers in Qt's dialogs match. False when a catalogue
// could not be loaded (the texts then stay as written in the code).
bool InstallLanguage(QCoreApplication& application, UiLanguage language);
