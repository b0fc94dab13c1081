#include "playlist/xspf_reader.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include "playlist/playlist_loader.h"
#include "playlist/playlist_text.h"

namespace {

// A relative reference is percent-encoded like any URI; undone, it is a relative path.
std::string EntryOfLocation(const std::string& location) {
    if (HasUriScheme(location) || location.empty())
        return location;
    return QByteArray::fromPercentEncoding(QByteArray::fromStdString(location)).toStdString();
}

// The track's first location as a list entry, with its title and length.
PlaylistItem ReadTrack(QXmlStreamReader& xml) {
    PlaylistItem track;
    bool located = false;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("location") && !located) {
            const std::string location = xml.readElementText().trimmed().toStdString();
            located = !location.empty();
            track.path = EntryOfLocation(location);
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
    std::vector<PlaylistItem> tracks;
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
    *items = ResolvedItems(playlistPath, std::move(tracks), oggLoaded);
    return true;
}
