#include "app/mpris_service.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QEvent>
#include <QLoggingCategory>
#include <QWidget>

#include "app/mpris_player_adaptor.h"
#include "app/mpris_properties.h"
#include "app/mpris_root_adaptor.h"
#include "app/queue_adaptor.h"
#include "platform/session_bus.h"

Q_LOGGING_CATEGORY(lcMpris, "veltra.mpris", QtWarningMsg)

namespace {

// Changes nobody reported (a new selection, say) still reach the desktop this soon.
constexpr int kPollMs = 1000;
// A window that is never painted (started minimised) still gets its media controls.
constexpr int kLateStartMs = 2000;
// How often a command that waits for a dialog looks again.
constexpr int kBusyRetryMs = 250;

}  // namespace

MprisService::MprisService(MediaControl& control, QObject* parent)
    : QObject(parent),
      m_control(control),
      m_object(new QObject(this)),
      m_root(new MprisRootAdaptor(m_object, *this)),
      m_player(new MprisPlayerAdaptor(m_object, *this)) {
    new QueueAdaptor(m_object, *this);  // owned by the object, like the two above
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &MprisService::Refresh);
    m_control.SetListeners([this] { ScheduleRefresh(); }, [this] { AnnounceSeek(); });
}

MprisService::~MprisService() {
    m_control.SetListeners({}, {});
    if (m_connection) {
        m_connection->unregisterService(m_serviceName);
        m_connection->unregisterObject(QString::fromLatin1(mpris::kObjectPath));
    }
}

bool MprisService::Start() {
    if (m_connection)
        return true;
    // Without a running bus, asking for one would autolaunch a daemon of our own.
    if (!SessionBusRunning()) {
        qCInfo(lcMpris) << "no session bus; media controls are off";
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcMpris) << "no session bus; media controls are off";
        return false;
    }
    return Start(bus);
}

bool MprisService::Start(const QDBusConnection& connection) {
    if (m_connection)
        return true;
    QDBusConnection bus = connection;
    const QString path = QString::fromLatin1(mpris::kObjectPath);
    if (!bus.registerObject(path, m_object, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcMpris) << "cannot export" << path;
        return false;
    }
    QString name = QString::fromLatin1(mpris::kServiceName);
    if (!bus.registerService(name)) {
        // Another copy already answers (one with its own lock folder): the interface's
        // rule for several instances is a suffix.
        name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(name)) {
            qCWarning(lcMpris) << "cannot take a bus name:" << bus.lastError().message();
            bus.unregisterObject(path);
            return false;
        }
    }
    m_connection = bus;
    m_serviceName = name;
    m_published = mpris::AnnouncedPlayerProperties(State());
    m_poll.start();
    qCInfo(lcMpris).noquote() << "registered as" << name;
    return true;
}

void MprisService::StartAfterFirstPaint(QWidget* window) {
    if (!window) {
        Start();
        return;
    }
    window->installEventFilter(this);
    QTimer::singleShot(kLateStartMs, this, [this, window] {
        if (!m_startRequested) {
            m_startRequested = true;
            window->removeEventFilter(this);
            Start();
        }
    });
}

bool MprisService::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && !m_startRequested) {
        m_startRequested = true;
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { Start(); });
    }
    return QObject::eventFilter(watched, event);
}

void MprisService::Post(std::function<void(MediaControl&)> command, PostMode mode) {
    QMetaObject::invokeMethod(
        this,
        [this, command = std::move(command), mode] {
            if (mode == UnlessBusy && m_control.Busy()) {
                qCInfo(lcMpris) << "command dropped: a dialog of the program is open";
                return;
            }
            command(m_control);
            Refresh();
        },
        Qt::QueuedConnection);
}

void MprisService::PostWhenFree(std::function<void(MediaControl&)> command) {
    QTimer::singleShot(0, this, [this, command = std::move(command)]() mutable {
        if (m_control.Busy()) {
            QTimer::singleShot(kBusyRetryMs, this, [this, command = std::move(command)]() mutable {
                PostWhenFree(std::move(command));
            });
            return;
        }
        command(m_control);
        Refresh();
    });
}

void MprisService::AnnounceSeek() {
    const MediaState state = State();
    const qlonglong position =
        state.status == MediaState::Stopped
            ? 0
            : static_cast<qlonglong>(state.positionTenths) * mpris::kMicrosPerTenth;
    qCInfo(lcMpris) << "seeked to" << position;
    emit m_player->Seeked(position);
}

void MprisService::ScheduleRefresh() {
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { Refresh(); }, Qt::QueuedConnection);
}

void MprisService::Refresh() {
    m_refreshQueued = false;
    const QVariantMap now = mpris::AnnouncedPlayerProperties(State());
    const QVariantMap changed = mpris::ChangedValues(m_published, now);
    if (changed.isEmpty())
        return;
    m_published = now;
    emit Announced(changed);
    if (!m_connection)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(mpris::kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(mpris::kPlayerInterface) << changed << QStringList();
    m_connection->send(signal);
}
