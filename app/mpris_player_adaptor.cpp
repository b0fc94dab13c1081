#include "app/mpris_player_adaptor.h"

#include <QtDebug>

#include "app/mpris_properties.h"
#include "app/mpris_service.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* object, MprisService& service)
    : QDBusAbstractAdaptor(object), m_service(service) {}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return mpris::StatusText(m_service.State().status);
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    return mpris::Metadata(m_service.State());
}

double MprisPlayerAdaptor::Volume() const {
    return mpris::VolumeOf(m_service.State().volume);
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    const int position = mpris::VolumePosition(volume);
    if (position < 0)
        return;
    m_service.Post([position](MediaControl& c) { c.SetVolume(position); });
}

qlonglong MprisPlayerAdaptor::Position() const {
    const MediaState state = m_service.State();
    if (state.status == MediaState::Stopped)
        return 0;
    return static_cast<qlonglong>(state.positionTenths) * mpris::kMicrosPerTenth;
}

bool MprisPlayerAdaptor::CanGoNext() const {
    return m_service.State().canGoNext;
}
bool MprisPlayerAdaptor::CanGoPrevious() const {
    return m_service.State().canGoPrevious;
}
bool MprisPlayerAdaptor::CanPlay() const {
    return m_service.State().canPlay;
}
bool MprisPlayerAdaptor::CanPause() const {
    return m_service.State().canPause;
}
bool MprisPlayerAdaptor::CanSeek() const {
    return m_service.State().canSeek;
}

void MprisPlayerAdaptor::Next() {
    m_service.Post([](MediaControl& c) { c.Next(); });
}

void MprisPlayerAdaptor::Previous() {
    m_service.Post([](MediaControl& c) { c.Previous(); });
}

// The window shows either the play or the pause button; a command for the hidden one does
// nothing, as no click could reach it.
void MprisPlayerAdaptor::Pause() {
    m_service.Post([](MediaControl& c) {
        if (c.State().status == MediaState::Playing)
            c.Pause();
    });
}

void MprisPlayerAdaptor::Play() {
    m_service.Post([](MediaControl& c) {
        if (c.State().status != MediaState::Playing)
            c.Play();
    });
}

void MprisPlayerAdaptor::PlayPause() {
    m_service.Post([](MediaControl& c) {
        if (c.State().status == MediaState::Playing)
            c.Pause();
        else
            c.Play();
    });
}

void MprisPlayerAdaptor::Stop() {
    m_service.Post([](MediaControl& c) { c.Stop(); });
}

void MprisPlayerAdaptor::Seek(qlonglong offset) {
    MprisService& service = m_service;
    m_service.Post([offset, &service](MediaControl& c) {
        const mpris::SeekPlan plan = mpris::PlanSeek(c.State(), offset);
        if (plan.kind == mpris::SeekPlan::Next) {
            c.Next();
        } else if (plan.kind == mpris::SeekPlan::SeekTo) {
            c.SeekTo(plan.tenths);
            service.AnnounceSeek();
        }
    });
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    MprisService& service = m_service;
    m_service.Post([track, position, &service](MediaControl& c) {
        const mpris::SeekPlan plan = mpris::PlanSetPosition(c.State(), track, position);
        if (plan.kind == mpris::SeekPlan::SeekTo) {
            c.SeekTo(plan.tenths);
            service.AnnounceSeek();
        }
    });
}

void MprisPlayerAdaptor::OpenUri(const QString& uri) {
    const QString path = mpris::LocalPathOfUri(uri);
    if (path.isEmpty()) {
        qWarning("mpris: only local files can be opened, not %s", qPrintable(uri));
        return;
    }
    const std::string file = path.toStdString();
    m_service.Post([file](MediaControl& c) { c.OpenFile(file); });
}
