#include "app/enqueue_client.h"

#include <QByteArrayList>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>
#include <QtDebug>
#include <cstdlib>

#include "app/mpris_properties.h"
#include "app/queue_adaptor.h"

namespace {

constexpr int kCallTimeoutMs = 5000;
constexpr int kRetryMs = 200;

}  // namespace

bool EnqueueInRunningCopy(const std::vector<std::string>& files, int waitMs) {
    // Qt would otherwise launch a bus of its own where none runs.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((!address || !*address) && (!runtime || !*runtime))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    RegisterQueueTypes();
    QByteArrayList list;
    for (const std::string& file : files) list.push_back(QByteArray::fromStdString(file));
    QDeadlineTimer deadline(waitMs);
    while (true) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(mpris::kServiceName), QString::fromLatin1(mpris::kObjectPath),
            QString::fromLatin1(kQueueInterface), QStringLiteral("Enqueue"));
        call << QVariant::fromValue(list);
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        if (deadline.hasExpired()) {
            qWarning("enqueue: the running copy did not answer: %s",
                     qPrintable(reply.errorMessage()));
            return false;
        }
        QThread::msleep(kRetryMs);
    }
}
