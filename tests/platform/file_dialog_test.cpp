#include <gtest/gtest.h>

#include <QFileDialog>

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

}  // namespace
