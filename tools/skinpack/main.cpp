// Draws the skin artwork and packs it into skin.dat; also draws the splash picture and
// the program icon. Runs at build time, without a display.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>

#include "skin/skin_records.h"
#include "tools/skinpack/bmp_image.h"
#include "tools/skinpack/run_length.h"
#include "tools/skinpack/skin_art.h"
#include "tools/skinpack/skin_layout.h"

namespace {

using skinpack::Bytes;

int Fail(const std::string& message) {
    std::fprintf(stderr, "skinpack: %s\n", message.c_str());
    return 1;
}

// Unbuffered, so that a write failing on a full disk fails here and not in a late flush
// whose failure the commit would not notice.
bool WriteAtomically(const QString& path, const Bytes& data, std::string* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size())) !=
            static_cast<qint64>(data.size()) ||
        !file.commit()) {
        *error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

// Fewer colours give longer runs; the first palette that fits the record is kept.
bool PackEntry(const skinpack::ArtEntry& entry, Bytes* record, std::string* error) {
    const SkinRecordRef& ref = SkinRecord(entry.record);
    const QImage image = skinpack::DrawArt(entry);
    static const int kColourSteps[] = {256, 160, 96, 64, 40, 24, 16, 10, 6, 4};
    std::string last;
    for (int colours : kColourSteps) {
        Bytes bmp;
        if (!skinpack::EncodeBmp(image, entry.bits, ref.unpacked, colours, &bmp, &last))
            break;
        if (skinpack::PackRunLength(bmp, ref.packed, record, &last))
            return true;
        if (entry.bits == 24)
            break;
    }
    *error = "record " + std::to_string(entry.record) + " (" + entry.name + "): " + last;
    return false;
}

int BuildSkin(const QString& out) {
    const auto& art = skinpack::ArtTable();
    if (art.size() != kSkinRecords.size())
        return Fail("artwork table does not cover every record");
    std::vector<Bytes> records;
    std::string error;
    for (size_t i = 0; i < art.size(); ++i) {
        if (art[i].record != static_cast<int>(i) + 1)
            return Fail("artwork table out of order");
        Bytes record;
        if (!PackEntry(art[i], &record, &error))
            return Fail(error);
        records.push_back(std::move(record));
    }
    Bytes file;
    if (!skinpack::AssembleSkinFile(records, &file, &error))
        return Fail(error);
    if (!WriteAtomically(out, file, &error))
        return Fail(error);

    // Check what actually reached the disk, not what is still in memory.
    QFile written(out);
    if (!written.open(QIODevice::ReadOnly))
        return Fail("cannot re-read " + out.toStdString());
    const QByteArray back = written.readAll();
    const Bytes reread(back.begin(), back.end());
    const std::string bad = skinpack::VerifySkinFile(reread);
    if (!bad.empty())
        return Fail(out.toStdString() + " is not a valid skin: " + bad);
    return 0;
}

int WritePngs(const QString& folder) {
    if (!QDir().mkpath(folder))
        return Fail("cannot create " + folder.toStdString());
    for (const auto& entry : skinpack::ArtTable()) {
        const QString name = QStringLiteral("%1_%2.png")
                                 .arg(entry.record, 3, 10, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(entry.name));
        if (!skinpack::DrawArt(entry).save(QDir(folder).filePath(name)))
            return Fail("cannot write " + name.toStdString());
    }
    return 0;
}

int WriteSplash(const QString& out) {
    const QImage splash = skinpack::DrawSplash();
    Bytes bmp;
    std::string error;
    const size_t length = 54 + skinpack::BmpRowStride(splash.width(), 24) * splash.height();
    if (!skinpack::EncodeBmp(splash, 24, length, 0, &bmp, &error))
        return Fail(error);
    return WriteAtomically(out, bmp, &error) ? 0 : Fail(error);
}

int WriteIcon(const QString& out, int size = 128) {
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !skinpack::DrawIcon(size).save(&file, "PNG") || !file.commit())
        return Fail("cannot write " + out.toStdString());
    return 0;
}

// The icon theme's layout: <folder>/<n>x<n>/apps/veltra.png for every size.
int WriteIconTheme(const QString& folder) {
    for (int size : skinpack::IconSizes()) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps))
            return Fail("cannot create " + apps.toStdString());
        const QString out = apps + QStringLiteral("/veltra.png");
        if (int rc = WriteIcon(out, size))
            return rc;
        if (QImage(out).size() != QSize(size, size))
            return Fail(out.toStdString() + " does not read back at its size");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Always headless: this runs inside the build, where no display may exist.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && !args[1].startsWith(QLatin1String("--")))
        return BuildSkin(args[1]);
    if (args.size() == 3 && args[1] == QLatin1String("--png"))
        return WritePngs(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--splash"))
        return WriteSplash(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--icon"))
        return WriteIcon(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--icon-theme"))
        return WriteIconTheme(args[2]);
    std::fprintf(stderr,
                 "usage: skinpack <out skin.dat>\n"
                 "       skinpack --png <folder>\n"
                 "       skinpack --splash <out bmp>\n"
                 "       skinpack --icon <out png>\n"
                 "       skinpack --icon-theme <folder>\n");
    return 2;
}
