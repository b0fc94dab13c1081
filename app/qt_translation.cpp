#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtDebug>

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
