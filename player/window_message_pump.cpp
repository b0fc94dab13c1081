#include "player/window_message_pump.h"

#include <QCoreApplication>
#include <atomic>

#include "engine/graph_messages.h"
#include "platform/messages.h"
#include "platform/window_message.h"
#include "player/playback_controller.h"
#include "tunewell/tunewell.h"

namespace player {

namespace {
// Where tunewell's worker posts its reports: the one main window's pump.
std::atomic<QObject*> g_oggReceiver{nullptr};
}  // namespace

WindowMessagePump::WindowMessagePump(QObject& receiver, PlaybackController& controller)
    : m_receiver(receiver), m_controller(controller) {
    g_oggReceiver.store(&receiver);
}

WindowMessagePump::~WindowMessagePump() {
    QObject* self = &m_receiver;
    g_oggReceiver.compare_exchange_strong(self, nullptr);
}

int32_t WindowMessagePump::OnOggNotify(int32_t code, int32_t value, int32_t) {
    // tunewell's worker thread: hand over, never wait for the user-interface thread.
    QObject* receiver = g_oggReceiver.load();
    if (!receiver)
        return 0;
    if (code == VL_NOTIFY_POSITION)
        PostWindowMessage(receiver, UM_OGG_POSITION, value);
    else if (code == VL_NOTIFY_END)
        PostWindowMessage(receiver, UM_OGG_END);
    return 0;
}

void WindowMessagePump::DropGraphReports(QObject& receiver) {
    DrainWindowMessages(&receiver, UM_GRAPH_POSITION);
    DrainWindowMessages(&receiver, UM_GRAPH_COMPLETE);
}

void WindowMessagePump::DropOggReports(QObject& receiver) {
    DrainWindowMessages(&receiver, UM_OGG_POSITION);
    DrainWindowMessages(&receiver, UM_OGG_END);
}

bool WindowMessagePump::Deliver(QEvent* e) {
    const int message = WindowMessage::MessageOf(e);
    if (message < 0)
        return false;
    Handle(message, static_cast<WindowMessage*>(e)->wParam());
    return true;
}

void WindowMessagePump::DrainPositions() {
    // Deliver what is queued now; the nested deliveries only record their position, so
    // the thumb jumps straight to the newest one.
    m_bDrainingPositions = true;
    QCoreApplication::sendPostedEvents(&m_receiver, WindowMessage::TypeOf(UM_GRAPH_POSITION));
    QCoreApplication::sendPostedEvents(&m_receiver, WindowMessage::TypeOf(UM_OGG_POSITION));
    m_bDrainingPositions = false;
}

void WindowMessagePump::Handle(int message, intptr_t wParam) {
    switch (message) {
        case UM_GRAPH_POSITION:
        case UM_OGG_POSITION:
            m_nLatestPosition = wParam;
            if (m_bDrainingPositions)
                return;
            DrainPositions();
            m_controller.OnGraphPosition(static_cast<int>(m_nLatestPosition));
            break;
        case UM_GRAPH_COMPLETE:
            DrainWindowMessages(&m_receiver, UM_GRAPH_POSITION);
            m_controller.OnGraphComplete(wParam);
            break;
        case UM_GRAPH_NEXT_STARTED:
            DrainWindowMessages(&m_receiver, UM_GRAPH_POSITION);
            m_controller.OnGraphNextStarted(wParam != 0);
            break;
        case UM_GRAPH_SEEK_DONE:
            m_controller.OnGraphSeekDone(wParam != 0);
            break;
        case UM_GRAPH_REWOUND:
            m_controller.OnGraphRewound(wParam != 0);
            break;
        case UM_GRAPH_DURATION:
            m_controller.OnGraphDuration(static_cast<int>(wParam));
            break;
        case UM_GRAPH_OPENED:
            m_controller.OnGraphOpened(wParam);
            break;
        case UM_OGG_END:
            DrainWindowMessages(&m_receiver, UM_OGG_POSITION);
            m_controller.OnOggEnd();
            break;
        case UM_PLAY:
            m_controller.PlaySelected();
            break;
        case UM_STOP:
            m_controller.Stop();
            break;
        case UM_PAUSE:
            m_controller.Pause();
            break;
        case UM_PREV:
            m_controller.PlayPrevious();
            break;
        case UM_NEXT:
            m_controller.PlayNext();
            break;
        default:
            break;  // UM_GRAPH_STOPPED and anything else: nothing to do
    }
}

}  // namespace player
