// An installed copy: `cmake --install` into a fresh prefix puts every file in its place,
// the desktop entry and the metainfo pass the freedesktop validators, and the installed
// program, away from the build folder, finds its skin and both libraries and plays.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>
#include <filesystem>
#include <set>

#include "app/mpris_properties.h"
#include "tests/e2e/x11_session.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

std::set<std::string> FilesUnder(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), root).string());
    return files;
}

QStringList Sorted(QStringList list) {
    list.removeAll(QString());
    list.sort();
    return list;
}

class InstallE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(box.Ok());
        prefix = box.Root() + "/prefix";
        std::string out;
        ASSERT_EQ(
            RunTool({"cmake", "--install", VELTRA_BUILD_DIR, "--prefix", prefix}, &out, 60000), 0)
            << out;
    }

    Sandbox box;
    std::string prefix;
};

}  // namespace

TEST_F(InstallE2E, EveryFileLandsInItsPlace) {
    std::set<std::string> expected = {
        "bin/veltra",
        "lib/veltra/libtunewell.so",
        "lib/veltra/libwavsink.so",
        "lib/veltra/regsvr",
        "share/veltra/skin.dat",
        "share/applications/veltra.desktop",
        "share/metainfo/org.veltra.veltra.metainfo.xml",
        "share/man/man1/veltra.1",
        "share/man/ja/man1/veltra.1",
        "share/mime/packages/veltra.xml",
    };
    for (int size : {16, 32, 48, 64, 128, 256})
        expected.insert("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                        "/apps/veltra.png");
    EXPECT_EQ(FilesUnder(prefix), expected);

    for (const char* exe : {"bin/veltra", "lib/veltra/regsvr"})
        EXPECT_NE(fs::status(fs::path(prefix) / exe).permissions() & fs::perms::others_exec,
                  fs::perms::none)
            << exe;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage icon(QString::fromStdString(prefix + "/share/icons/hicolor/" +
                                                 std::to_string(size) + "x" + std::to_string(size) +
                                                 "/apps/veltra.png"));
        ASSERT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size << ": corners stay transparent";
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    }
    // skin.dat is the one the build verified, byte for byte.
    EXPECT_EQ(testmedia::ReadFile(prefix + "/share/veltra/skin.dat"),
              testmedia::ReadFile(std::string(VELTRA_BIN_DIR) + "/skin.dat"));
}

TEST_F(InstallE2E, DesktopEntryAndMetainfoPassTheValidators) {
    const std::string desktop = prefix + "/share/applications/veltra.desktop";
    const std::string metainfo = prefix + "/share/metainfo/org.veltra.veltra.metainfo.xml";
    std::string out;
    EXPECT_EQ(RunTool({"desktop-file-validate", desktop}, &out), 0) << out;
    EXPECT_EQ(out, "") << "no warnings either";
    EXPECT_EQ(
        RunTool({"appstreamcli", "validate", "--no-net", "--pedantic", metainfo}, &out, 30000), 0)
        << out;
    // The playlist's own media type: well-formed, and claiming *.vpl.
    QXmlStreamReader mime(
        QByteArray::fromStdString(testmedia::ReadFile(prefix + "/share/mime/packages/veltra.xml")));
    QStringList globs;
    while (!mime.atEnd())
        if (mime.readNext() == QXmlStreamReader::StartElement && mime.name() == u"glob")
            globs << mime.attributes().value("pattern").toString();
    EXPECT_FALSE(mime.hasError()) << mime.errorString().toStdString();
    EXPECT_EQ(globs, QStringList{"*.vpl"});

    // The entry, the metainfo and the bus interface offer the same media types.
    QString exec;
    QStringList desktopTypes;
    const QString text = QString::fromStdString(testmedia::ReadFile(desktop));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Exec=")))
            exec = line.mid(5);
        if (line.startsWith(QLatin1String("MimeType=")))
            desktopTypes = Sorted(line.mid(9).split(QLatin1Char(';')));
    }
    EXPECT_EQ(exec.toStdString(), "veltra --enqueue %F") << "a running copy takes the files";
    const QString xml = QString::fromStdString(testmedia::ReadFile(metainfo));
    QStringList metainfoTypes;
    QRegularExpression mediatype(QStringLiteral("<mediatype>([^<]+)</mediatype>"));
    for (auto it = mediatype.globalMatch(xml); it.hasNext();)
        metainfoTypes << it.next().captured(1);
    EXPECT_EQ(desktopTypes.size(), 37) << "PLS and XSPF lists included";
    EXPECT_EQ(desktopTypes.join(' ').toStdString(), Sorted(metainfoTypes).join(' ').toStdString());
    EXPECT_EQ(desktopTypes.join(' ').toStdString(),
              Sorted(mpris::SupportedMimeTypes()).join(' ').toStdString());
}

TEST_F(InstallE2E, InstalledProgramFindsSkinAndLibrariesAndPlays) {
    std::string why;
    if (!DisplayUsable(&why))
        GTEST_SKIP() << why;
    // Ogg Vorbis plays through libtunewell, which only the installed lib/veltra/ holds.
    const std::string song = testmedia::Tone(box.MediaDir(), "installed.ogg", 1.0);
    ASSERT_FALSE(song.empty());
    box.SetEnv("GST_PLUGIN_PATH", prefix + "/lib/veltra");
    VeltraProcess app(box, {song}, prefix + "/bin/veltra");
    const std::string win = WaitForMainWindow(app);
    ASSERT_FALSE(win.empty()) << app.Log();
    auto layout = Layout(app);
    ASSERT_TRUE(layout.count("list") && layout.count("play")) << app.Log();
    // The start file is the list's only row, and it plays by itself.
    ASSERT_TRUE(app.WaitForLog("open row 0 mode 3 engine 2 ok: " + song, 8000)) << app.Log();
    ASSERT_TRUE(app.WaitForLog("end of row 0", 8000)) << app.Log();
    EXPECT_TRUE(app.Running());

    // Closing saves the settings in the user's folder, never beside the installed program
    // (which root, for one, could write to).
    Click(win, Centre(layout["close"]));
    ASSERT_TRUE(app.WaitForExit(8000)) << app.Log();
    EXPECT_FALSE(fs::exists(prefix + "/bin/plInfo.ini"));
    EXPECT_NE(testmedia::ReadFile(box.Root() + "/config/veltra/plInfo.ini").find("[MAIN]"),
              std::string::npos);

    // The WAV writer plug-in registers from its installed place with the installed tool.
    const std::string lib = prefix + "/lib/veltra";
    const std::string store = box.Root() + "/config/installed-registry";
    std::string out;
    ASSERT_EQ(
        RunTool({"env", "VELTRA_REGISTRY=" + store, lib + "/regsvr", "/s", lib + "/libwavsink.so"},
                &out),
        0)
        << out;
    EXPECT_NE(testmedia::ReadFile(store).find(lib + "/libwavsink.so"), std::string::npos)
        << testmedia::ReadFile(store);
}
