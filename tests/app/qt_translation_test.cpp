// Qt's dialogs in the program's language: the standard buttons and file-prompt texts come
// out Japanese once the catalogue is installed, and go back to English without it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "app/qt_translation.h"

namespace {

QString YesText() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("VELTRA"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text();
}

TEST(QtTranslationTest, StandardButtonsAndFilePromptsSpeakJapanese) {
    ASSERT_TRUE(QDir(QtTranslationsFolder()).exists(QStringLiteral("qtbase_ja.qm")))
        << "qt6-translations-l10n is missing from " << QtTranslationsFolder().toStdString();
    const QString englishYes = YesText();
    const QString englishSave = QFileDialog::tr("&Save");  // not translated before
    ASSERT_TRUE(InstallQtJapanese(*qApp));
    const QString japaneseYes = YesText();
    EXPECT_NE(japaneseYes, englishYes);
    EXPECT_TRUE(japaneseYes.contains(QStringLiteral("はい"))) << japaneseYes.toStdString();
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "&Save"), englishSave);
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"),
              QStringLiteral("File &name:"));

    // Leave the other tests of this program in the state they started in.
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    EXPECT_EQ(YesText(), englishYes);
}

}  // namespace
