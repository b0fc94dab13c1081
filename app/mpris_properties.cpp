#include "app/mpris_properties.h"

#include "app/media_types.h"

#include <QDBusVariant>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace mpris {

namespace {

constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

quint64 PathHash(const std::string& path) {
    quint64 h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : path) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool SameValue(const QVariant& a, const QVariant& b) {
    // Object paths nested in the metadata compare by their text.
    if (a.metaType() == QMetaType::fromType<QDBusObjectPath>() &&
        b.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return a.value<QDBusObjectPath>().path() == b.value<QDBusObjectPath>().path();
    if (a.metaType() == QMetaType::fromType<QVariantMap>() &&
        b.metaType() == QMetaType::fromType<QVariantMap>())
        return ChangedValues(a.toMap(), b.toMap()).isEmpty() &&
               a.toMap().size() == b.toMap().size();
    return a == b;
}

}  // namespace

QString StatusText(MediaState::Status status) {
    switch (status) {
        case MediaState::Playing:
            return QStringLiteral("Playing");
        case MediaState::Paused:
            return QStringLiteral("Paused");
        case MediaState::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath TrackId(const MediaState& state) {
    if (state.row < 0 || state.path.empty())
        return QDBusObjectPath(QString::fromLatin1(kNoTrack));
    return QDBusObjectPath(QStringLiteral("/org/veltra/track/%1_%2")
                               .arg(state.row)
                               .arg(PathHash(state.path), 16, 16, QLatin1Char('0')));
}

QVariantMap Metadata(const MediaState& state) {
    QVariantMap map;
    if (state.row < 0 || state.path.empty())
        return map;
    const QString path = QString::fromStdString(state.path);
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(state)));
    map.insert(QStringLiteral("xesam:url"),
               QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()));
    map.insert(QStringLiteral("xesam:title"), state.title.empty()
                                                  ? QFileInfo(path).fileName()
                                                  : QString::fromStdString(state.title));
    if (!state.artists.empty()) {
        QStringList artists;
        for (const std::string& artist : state.artists)
            artists.push_back(QString::fromStdString(artist));
        map.insert(QStringLiteral("xesam:artist"), artists);
    }
    if (!state.album.empty())
        map.insert(QStringLiteral("xesam:album"), QString::fromStdString(state.album));
    // The open item's own figure while it plays; its tags' otherwise, so a stopped list
    // shows the length of what Play would start.
    if (state.status != MediaState::Stopped && state.lengthTenths > 0)
        map.insert(QStringLiteral("mpris:length"),
                   static_cast<qlonglong>(state.lengthTenths) * kMicrosPerTenth);
    else if (state.tagLengthMs > 0)
        map.insert(QStringLiteral("mpris:length"),
                   static_cast<qlonglong>(state.tagLengthMs) * 1000);
    if (!state.artPath.empty())
        map.insert(QStringLiteral("mpris:artUrl"),
                   QString::fromUtf8(
                       QUrl::fromLocalFile(QString::fromStdString(state.artPath)).toEncoded()));
    return map;
}

QVariantMap AnnouncedPlayerProperties(const MediaState& state) {
    return {
        {QStringLiteral("PlaybackStatus"), StatusText(state.status)},
        {QStringLiteral("Metadata"), Metadata(state)},
        {QStringLiteral("Volume"), VolumeOf(state.volume)},
        {QStringLiteral("CanGoNext"), state.canGoNext},
        {QStringLiteral("CanGoPrevious"), state.canGoPrevious},
        {QStringLiteral("CanPlay"), state.canPlay},
        {QStringLiteral("CanPause"), state.canPause},
        {QStringLiteral("CanSeek"), state.canSeek},
    };
}

QVariantMap ChangedValues(const QVariantMap& before, const QVariantMap& after) {
    QVariantMap changed;
    for (auto it = after.begin(); it != after.end(); ++it) {
        auto old = before.find(it.key());
        if (old == before.end() || !SameValue(old.value(), it.value()))
            changed.insert(it.key(), it.value());
    }
    return changed;
}

SeekPlan PlanSeek(const MediaState& state, qint64 offsetMicros) {
    if (!state.canSeek || state.lengthTenths <= 0)
        return {};
    const qint64 length = static_cast<qint64>(state.lengthTenths) * kMicrosPerTenth;
    qint64 target = static_cast<qint64>(state.positionTenths) * kMicrosPerTenth;
    // Offsets near the type's limits must not wrap around.
    if (offsetMicros > length - target)
        return {SeekPlan::Next, 0};
    target = std::max<qint64>(0, target + std::max(offsetMicros, -target));
    return {SeekPlan::SeekTo, static_cast<int>(target / kMicrosPerTenth)};
}

SeekPlan PlanSetPosition(const MediaState& state, const QDBusObjectPath& track,
                         qint64 positionMicros) {
    if (!state.canSeek || state.lengthTenths <= 0 || track.path() != TrackId(state).path())
        return {};
    const qint64 length = static_cast<qint64>(state.lengthTenths) * kMicrosPerTenth;
    if (positionMicros < 0 || positionMicros > length)
        return {};
    return {SeekPlan::SeekTo, static_cast<int>(positionMicros / kMicrosPerTenth)};
}

int VolumePosition(double volume) {
    if (std::isnan(volume))
        return -1;
    return static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100.0));
}

double VolumeOf(int position) {
    return std::clamp(position, 0, 100) / 100.0;
}

QString LocalPathOfUri(const QString& uri) {
    if (uri.startsWith(QLatin1Char('/')))
        return uri;
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
        return {};
    return url.toLocalFile();
}

QStringList SupportedMimeTypes() {
    return VeltraMediaTypes();
}

}  // namespace mpris
