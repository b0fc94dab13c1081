#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

#include "platform/localised_file_list.h"
#include "platform/qt_prompts.h"
#include "platform/user_prompts.h"
#include "tests/support/media_factory.h"

namespace {

constexpr const char* kPlaylists =
    "All Playlist Files (*.vpl)|*.vpl|SoundPlaylist Files (*.m3u)|*.m3u||";

TEST(FilterExtension, PlainPatternsGiveTheirExtensionOthersNone) {
    EXPECT_EQ(FilterExtension(kPlaylists, 0), "vpl");
    EXPECT_EQ(FilterExtension(kPlaylists, 1), "m3u");
    EXPECT_EQ(FilterExtension(kPlaylists, 2), "");
    EXPECT_EQ(FilterExtension("Video Files (*.avi; *.mpg)|*.avi; *.mpg|All Files (*.*)|*.*;||", 0),
              "avi");
    EXPECT_EQ(FilterExtension("All Files (*.*)|*.*;||", 0), "");
    EXPECT_EQ(FilterExtension("Odd|*.a*|", 0), "");

    FilePromptRequest request;
    request.filter = kPlaylists;
    EXPECT_EQ(WithFilterExtension("/m/list", request, 1), "/m/list.m3u");
    EXPECT_EQ(WithFilterExtension("/m/list.txt", request, 1), "/m/list.txt");
    EXPECT_EQ(WithFilterExtension("/m.d/list", request, 0), "/m.d/list.vpl")
        << "a dot in a folder name is no extension";
    request.filter = "All Files (*.*)|*.*;||";
    request.defaultExt = "*.bmp";
    EXPECT_EQ(WithFilterExtension("/m/still", request, 0), "/m/still.bmp");
}

TEST(FileDialog, BareSaveNamesTakeTheExtensionOfTheFilterInForce) {
    const std::string dir = testmedia::MakeTempDir("file_dialog");
    FilePromptRequest request;
    request.save = true;
    request.title = "保存するメディアファイル...";
    request.filter = kPlaylists;
    request.initialPath = dir;
    for (int filter : {1, 0}) {
        PromptFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.Configure(request);
        EXPECT_EQ(dialog.windowTitle().toStdString(), request.title);
        ASSERT_EQ(dialog.nameFilters().size(), 2);
        dialog.selectNameFilter(dialog.nameFilters()[filter]);
        dialog.selectFile(QStringLiteral("mine"));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.ChosenFilter(), filter);
        ASSERT_EQ(dialog.selectedFiles().size(), 1);
        EXPECT_EQ(dialog.selectedFiles()[0].toStdString(),
                  dir + (filter == 1 ? "/mine.m3u" : "/mine.vpl"));
    }
    testmedia::RemoveTree(dir);
}

// The dialog's rows for one folder, once the model has read it.
QModelIndex RowOf(QTreeView& view, const QString& folder, const QString& name) {
    QDeadlineTimer bound(30000);
    while (!bound.hasExpired()) {
        QAbstractItemModel* model = view.model();
        const QModelIndex root = view.rootIndex();
        for (int r = 0; r < model->rowCount(root); ++r) {
            const QModelIndex row = model->index(r, 0, root);
            if (row.data().toString() == name &&
                !model->index(r, LocalisedFileList::kDateColumn, root).data().toString().isEmpty())
                return row;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ADD_FAILURE() << name.toStdString() << " never listed in " << folder.toStdString();
    return {};
}

// The desktop's locale here is C (English); the program speaks Japanese.
TEST(FileDialog, DatesSizesAndColumnWidthsFollowTheProgramsLanguageNotTheDesktops) {
    const std::string dir = testmedia::MakeTempDir("file_dialog_locale");
    const QString folder = QString::fromStdString(dir);
    testmedia::WriteBytes(dir, "song.wav", std::string(3000, 'x'));
    QFile file(folder + "/song.wav");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    {
        PromptFileDialog dialog;
        dialog.setDirectory(folder);
        auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(view, nullptr);
        const QModelIndex row = RowOf(*view, folder, QStringLiteral("song.wav"));
        ASSERT_TRUE(row.isValid());
        const QLocale japanese(QLocale::Japanese, QLocale::Japan);
        const QString date = row.siblingAtColumn(LocalisedFileList::kDateColumn).data().toString();
        EXPECT_EQ(date.toStdString(), japanese.toString(when, QLocale::ShortFormat).toStdString());
        EXPECT_NE(date, QLocale::system().toString(when, QLocale::ShortFormat));
        EXPECT_EQ(
            row.siblingAtColumn(LocalisedFileList::kSizeColumn).data().toString().toStdString(),
            japanese.formattedDataSize(3000).toStdString());
        const QFontMetrics fm = view->fontMetrics();
        EXPECT_GE(view->header()->sectionSize(LocalisedFileList::kDateColumn),
                  fm.horizontalAdvance(date));
    }
    {
        PromptFileDialog dialog;
        dialog.ConfigureForFolder(QStringLiteral("コピー先"), folder);
        EXPECT_EQ(dialog.directory().absolutePath(), folder) << "opens where it was asked from";
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    }
    QLocale::setDefault(before);
    testmedia::RemoveTree(dir);
}

}  // namespace
