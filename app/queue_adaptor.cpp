#include "app/queue_adaptor.h"

#include <QDBusMetaType>
#include <string>
#include <vector>

#include "app/mpris_service.h"

void RegisterQueueTypes() {
    qDBusRegisterMetaType<QByteArrayList>();
}

QueueAdaptor::QueueAdaptor(QObject* object, MprisService& service)
    : QDBusAbstractAdaptor(object), m_service(service) {
    RegisterQueueTypes();
}

void QueueAdaptor::Enqueue(const QByteArrayList& files) {
    std::vector<std::string> paths;
    for (const QByteArray& file : files) {
        // Only absolute names mean the same here as in the sender's folder.
        if (file.startsWith('/') && !file.contains('\0'))
            paths.push_back(file.toStdString());
    }
    if (paths.empty())
        return;
    m_service.PostWhenFree([paths](MediaControl& c) { c.EnqueueFiles(paths); });
}
