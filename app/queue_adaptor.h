// org.veltra.veltra.Queue on the media player's bus object: how a second start
// ("veltra --enqueue FILE...", the desktop's "open with") hands its files to the copy that
// runs. Files go as byte arrays, so names that are not UTF-8 arrive as they are on disk.
#pragma once

#include <QByteArrayList>
#include <QDBusAbstractAdaptor>

class MprisService;

inline constexpr const char* kQueueInterface = "org.veltra.veltra.Queue";

// Makes the file list ("aay") known to Qt D-Bus; both sides call it before they use it.
void RegisterQueueTypes();

class QueueAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.veltra.veltra.Queue")

  public:
    QueueAdaptor(QObject* object, MprisService& service);

  public Q_SLOTS:
    // Adds every file (absolute paths) to the list and plays the first of them.
    void Enqueue(const QByteArrayList& files);

  private:
    MprisService& m_service;
};
