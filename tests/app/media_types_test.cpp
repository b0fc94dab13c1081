// The media types the desktop is told about must cover every kind the list takes, or a
// file manager will never offer VELTRA for it.
#include <gtest/gtest.h>

#include <QMimeDatabase>
#include <string>

#include "app/media_types.h"
#include "playlist/media_kind.h"

TEST(MediaTypes, EveryExtensionTheListTakesIsOffered) {
    const QStringList offered = VeltraMediaTypes();
    QMimeDatabase db;
    if (!db.mimeTypeForName(QStringLiteral("video/mp4")).isValid())
        GTEST_SKIP() << "no shared MIME database on this machine";
    int checked = 0;
    for (const char* ext :
         {"AVI", "MPG",  "MPEG", "ASF", "WMV",  "VOB", "MP4",  "M4V", "MKV",  "WEBM", "MOV",
          "OGV", "3GP",  "FLV",  "TS",  "M2TS", "JPG", "JPEG", "BMP", "PNG",  "GIF",  "WEBP",
          "TIF", "TIFF", "WAV",  "MP3", "WMA",  "MID", "MIDI", "OGG", "FLAC", "OPUS", "M4A",
          "AAC", "OGA",  "AIFF", "AIF", "APE",  "WV",  "MKA",  "M3U", "M3U8", "PLS",  "XSPF"}) {
        ASSERT_TRUE(IsKnownExtension(ext, true)) << ext;
        // A name may match several types (".ts" is also a translation file); one of them,
        // or a type they inherit from, must be offered.
        bool found = false;
        const QString name = QStringLiteral("x.") + QString::fromLatin1(ext).toLower();
        for (const QMimeType& type : db.mimeTypesForFileName(name)) {
            QStringList names = type.aliases();
            names << type.name() << type.allAncestors();
            for (const QString& n : names) found = found || offered.contains(n);
        }
        EXPECT_TRUE(found) << ext << " is offered under none of its media types";
        ++checked;
    }
    EXPECT_EQ(checked, 44);
    QStringList unique = offered;
    EXPECT_EQ(unique.removeDuplicates(), 0);
}
