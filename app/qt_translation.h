// Qt's own dialogs (file prompts, the overwrite question, Yes/No buttons) speak the
// language of the program's texts, which are Japanese whatever the desktop's locale.
#pragma once

#include <QString>

class QCoreApplication;

// Installs Qt's Japanese catalogue on the application; false when it is not installed
// (the dialogs then stay in Qt's English). The translator lives as long as the application.
bool InstallQtJapanese(QCoreApplication& application);

// Where Qt's catalogues are looked up.
QString QtTranslationsFolder();
