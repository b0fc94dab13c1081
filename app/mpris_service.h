// The player on the desktop's session bus as an MPRIS 2 media player
// (org.mpris.MediaPlayer2.veltra at /org/mpris/MediaPlayer2), which is what the keyboard's
// media keys, the panel's media controls and playerctl talk to. Without a session bus it
// stays idle and the program runs as it always did.
//
// Commands from the bus are queued and run from the event loop after the call has been
// answered, through MediaControl, that is the main window's own handlers; while one of the
// program's dialogs holds the input they are dropped, as a click would be. Property changes
// are found by comparing what was last announced with the current state whenever the
// window reports a possible change (and once a second), and announced with
// PropertiesChanged; seeks are announced with Seeked.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "app/media_control.h"

class MprisPlayerAdaptor;
class MprisRootAdaptor;
class QWidget;

class MprisService : public QObject {
    Q_OBJECT
  public:
    enum PostMode { UnlessBusy, EvenWhenBusy };

    explicit MprisService(MediaControl& control, QObject* parent = nullptr);
    ~MprisService() override;

    // Exports the player on the session bus (or the given connection) and takes the bus
    // name, or org.mpris.MediaPlayer2.veltra.instance<pid> when that one is taken. False
    // without a bus or when neither name can be had.
    bool Start();
    bool Start(const QDBusConnection& connection);
    // Start() once the window has been painted, so start-up does not wait for the bus.
    void StartAfterFirstPaint(QWidget* window);
    bool Started() const { return m_connection.has_value(); }
    QString ServiceName() const { return m_serviceName; }

    MediaState State() const { return m_control.State(); }
    // Runs the command from the event loop, then announces what it changed.
    void Post(std::function<void(MediaControl&)> command, PostMode mode = UnlessBusy);
    // Same for a command that must not be lost: while a dialog holds the input it waits
    // for the dialog to close.
    void PostWhenFree(std::function<void(MediaControl&)> command);
    // Seeked with the current position.
    void AnnounceSeek();
    // PropertiesChanged for whatever differs from what was announced last.
    void Refresh();

    MprisRootAdaptor* Root() const { return m_root; }
    MprisPlayerAdaptor* Player() const { return m_player; }

  signals:
    // What went out (or would have, without a bus): the changed Player properties.
    void Announced(const QVariantMap& changed);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ScheduleRefresh();

    MediaControl& m_control;
    QObject* m_object;  // the exported object; the two adaptors hang off it
    MprisRootAdaptor* m_root;
    MprisPlayerAdaptor* m_player;
    std::optional<QDBusConnection> m_connection;
    QString m_serviceName;
    QVariantMap m_published;
    QTimer m_poll;
    bool m_refreshQueued = false;
    bool m_startRequested = false;
};
