#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtDebug>

namespace {

struct QtText {
    const char* source;
    const char* comment;
};

// The file dialog's kind names for folders and drives moved to a context that Qt's own
// Japanese catalogue of this version lacks, so a Japanese dialog called its folders
// "Folder": our catalogue carries them (the translator looks through every catalogue).
[[maybe_unused]] constexpr QtText kTextsQtsCatalogueLacks[] = {
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Folder", "All other platforms"),
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Drive", ""),
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Unknown", ""),
};

}  // namespace

QString QtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool InstallQtJapanese(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    // qtbase holds every text of the widgets and dialogs the program uses.
    if (!translator->load(QStringLiteral("qtbase_ja"), QtTranslationsFolder())) {
        qWarning() << "app: Qt's Japanese translation not found in" << QtTranslationsFolder();
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
