// The MPRIS 2 view of a MediaState: bus names, the track id, the metadata map, the player
// properties that are announced when they change, and how Seek, SetPosition and Volume
// requests translate into slider positions. Plain values only, so it is checked without a
// bus.
#pragma once

#include <QDBusObjectPath>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "app/media_control.h"

namespace mpris {

inline constexpr const char* kServiceName = "org.mpris.MediaPlayer2.veltra";
inline constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
inline constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
inline constexpr qint64 kMicrosPerTenth = 100000;

QString StatusText(MediaState::Status status);  // "Playing", "Paused", "Stopped"

// Unique per row and file, so a list replaced under the same row index still counts as a
// new track; the "no track" path of the interface when there is no current row.
QDBusObjectPath TrackId(const MediaState& state);

// mpris:trackid, xesam:url, xesam:title (the tag, else the file name), xesam:artist,
// xesam:album, mpris:length (the open item's, else the tags') and mpris:artUrl; empty
// without a row.
QVariantMap Metadata(const MediaState& state);

// Every Player property except Position, which clients advance themselves and correct from
// the Seeked signal.
QVariantMap AnnouncedPlayerProperties(const MediaState& state);
// The entries of `after` whose value differs from (or is missing in) `before`.
QVariantMap ChangedValues(const QVariantMap& before, const QVariantMap& after);

struct SeekPlan {
    enum Kind { Ignore, SeekTo, Next };
    Kind kind = Ignore;
    int tenths = 0;
};
// Seek: relative, clamped at 0; past the end it moves on like Next.
SeekPlan PlanSeek(const MediaState& state, qint64 offsetMicros);
// SetPosition: only for the current track and a position within it.
SeekPlan PlanSetPosition(const MediaState& state, const QDBusObjectPath& track,
                         qint64 positionMicros);

// Volume 0.0 ... 1.0 (out-of-range values clamped) to the slider's 0 ... 100, and back.
int VolumePosition(double volume);
double VolumeOf(int position);

// Local files only; a plain absolute path is taken as well. Empty when not supported.
QString LocalPathOfUri(const QString& uri);

QStringList SupportedMimeTypes();

}  // namespace mpris
