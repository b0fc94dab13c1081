#include "playlist/xspf_reader.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include "playlist/path_helpers.h"
#include "playlist/playlist_text.h"

namespace {

struct Track {
    std::string location;
    std::string title;
    int seconds = -1;
};

// A relative reference is percent-encoded like any URI; undone, it is a relative path.
std::string Resolve(const std::string& base, const std::string& location, bool oggLoaded) {
    if (HasUriScheme(location) || location.empty())
        return ResolveForeignEntry(base, location, oggLoaded);
    const QByteArray decoded = QByteArray::fromPercentEncoding(QByteArray::fromStdString(location));
    return ResolveForeignEntry(base, decoded.toStdString(), oggLoaded);
}

Track ReadTrack(QXmlStreamReader& xml) {
    Track track;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("location") && track.location.empty()) {
            track.location = xml.readElementText().trimmed().toStdString();
        } else if (name == QLatin1String("title")) {
            track.title = xml.readElementText().simplified().toStdString();
        } else if (name == QLatin1String("duration")) {
            bool ok = false;
            const qlonglong ms = xml.readElementText().trimmed().toLongLong(&ok);
            if (ok && ms >= 0 && ms / 1000 < 0x7fffffffLL)
                track.seconds = static_cast<int>(ms / 1000);
        } else {
            xml.skipCurrentElement();
        }
    }
    return track;
}

}  // namespace

bool XspfReader::Parse(const std::string& playlistPath, const std::string& bytes, bool oggLoaded,
                       std::vector<PlaylistItem>* items) {
    items->clear();
    // The reader finds the encoding from the XML declaration or the byte-order mark.
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("playlist"))
        return false;
    std::vector<Track> tracks;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("trackList")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("track"))
                tracks.push_back(ReadTrack(xml));
            else
                xml.skipCurrentElement();
        }
    }
    // Read to the end: a list cut off or damaged anywhere is refused whole.
    while (!xml.atEnd()) xml.readNext();
    if (xml.hasError())
        return false;
    const std::string base = FolderOf(playlistPath);
    for (const Track& track : tracks) {
        PlaylistItem item;
        item.path = Resolve(base, track.location, oggLoaded);
        if (item.path.empty())
            continue;
        item.title = track.title;
        item.seconds = track.seconds;
        items->push_back(std::move(item));
    }
    return true;
}
