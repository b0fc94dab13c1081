// Posted and sent window messages on Qt's event queue. A "window handle" is the QObject
// that receives the events; the event type is QEvent::User + the message number.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdint>

class WindowMessage : public QEvent {
  public:
    WindowMessage(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(TypeOf(message)), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

    static QEvent::Type TypeOf(int message) {
        return static_cast<QEvent::Type>(QEvent::User + message);
    }
    // The message number of an event, or -1 for events that are no window message.
    static int MessageOf(const QEvent* e) {
        auto* m = dynamic_cast<const WindowMessage*>(e);
        return m ? m->m_message : -1;
    }

    int message() const { return m_message; }
    intptr_t wParam() const { return m_wParam; }
    intptr_t lParam() const { return m_lParam; }

  private:
    int m_message;
    intptr_t m_wParam;
    intptr_t m_lParam;
};

// Safe from any thread: Qt's event queue takes ownership of the event.
inline void PostWindowMessage(QObject* receiver, int message, intptr_t wParam = 0,
                              intptr_t lParam = 0) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new WindowMessage(message, wParam, lParam));
}

// User-interface thread only: delivered at once, like SendMessage.
inline bool SendWindowMessage(QObject* receiver, int message, intptr_t wParam = 0,
                              intptr_t lParam = 0) {
    if (!receiver)
        return false;
    WindowMessage m(message, wParam, lParam);
    return QCoreApplication::sendEvent(receiver, &m);
}

// Drops every queued instance of a message for a receiver (stale positions, say).
inline void DrainWindowMessages(QObject* receiver, int message) {
    QCoreApplication::removePostedEvents(receiver, WindowMessage::TypeOf(message));
}
