// The event thread: waits on the graph's bus, reports the position while the graph runs
// and the end once it comes, and completes a conversion's file at its end.
#include <gst/gst.h>

#include "engine/graph_errors.h"
#include "engine/graph_messages.h"
#include "engine/graph_units.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "platform/window_message.h"

void MediaGraph::JoinEventThread() {
    m_Wake.Set();
    // Its wait on the bus ends at once as well, rather than at the end of its round.
    if (m_bThreadAlive && m_pME)
        gst_bus_post(m_pME,
                     gst_message_new_application(nullptr, gst_structure_new_empty("veltra-wake")));
    if (m_hThread.joinable())
        m_hThread.join();
    m_bThreadAlive = false;
}

void MediaGraph::EventThread() {
    auto finish = [this](int message, intptr_t wParam) {
        QObject* notify = m_hwndNotify;
        m_bThreadAlive = false;
        if (!m_bQuietEnd)
            PostWindowMessage(notify, message, wParam, 0);
    };
    if (m_State == GraphState::Ended) {
        m_Wake.Wait(300);
        finish(UM_GRAPH_STOPPED, 0);
        return;
    }
    int finalMessage = UM_GRAPH_STOPPED;
    intptr_t finalParam = 0;
    // The first round does not wait, so the window learns the position as soon as the
    // graph runs.
    GstClockTime timeout = 0;
    const auto watched =
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION |
                                    GST_MESSAGE_DURATION_CHANGED);
    while (m_State != GraphState::Ended) {
        GstMessage* msg = gst_bus_timed_pop_filtered(m_pME, timeout, watched);
        while (msg) {
            GstMessageType type = GST_MESSAGE_TYPE(msg);
            HRESULT hr = type == GST_MESSAGE_ERROR ? ResultOfMessage(msg) : S_OK;
            const bool fromQueued =
                m_QueuedWatch.load() &&
                gst_object_has_as_ancestor(GST_MESSAGE_SRC(msg), m_QueuedWatch.load());
            const bool nextStarted =
                type == GST_MESSAGE_APPLICATION && gst_message_has_name(msg, kNextStartedMessage);
            gst_message_unref(msg);
            msg = nullptr;
            if (nextStarted)
                PostWindowMessage(m_hwndNotify, UM_GRAPH_NEXT_STARTED, 1, 0);
            if (type == GST_MESSAGE_DURATION_CHANGED)
                ReportLateLength();
            if (type == GST_MESSAGE_ERROR && fromQueued) {
                // The next item is broken; the one heard plays on to its own end.
                PostWindowMessage(m_hwndNotify, UM_GRAPH_NEXT_STARTED, 0, 0);
                type = GST_MESSAGE_UNKNOWN;
            }
            if (type == GST_MESSAGE_EOS) {
                if (m_Conversion.Active()) {
                    // The writers have flushed everything: the file is complete.
                    HRESULT committed = m_Conversion.Commit();
                    if (FAILED(committed)) {
                        m_LastError = committed;
                        m_State = GraphState::Ended;  // failed at its very end; STOPPED tells
                        break;
                    }
                }
                m_State = GraphState::Ended;
                finalMessage = UM_GRAPH_COMPLETE;
                finalParam = kGraphCompleteCode;
                break;
            }
            if (type == GST_MESSAGE_ERROR) {
                m_LastError = hr;
                m_State = GraphState::Ended;
                if (m_Conversion.Active()) {
                    m_Conversion.Discard();
                } else {
                    // A stream that breaks off mid-play ends like a finished one, so the
                    // list moves on instead of standing still.
                    finalMessage = UM_GRAPH_COMPLETE;
                    finalParam = kGraphCompleteCode;
                }
                break;
            }
            msg = gst_bus_pop_filtered(m_pME, watched);
        }
        if (m_State == GraphState::Ended)
            break;
        if (m_State == GraphState::Running)
            PostWindowMessage(m_hwndNotify, UM_GRAPH_POSITION, GetPosition(), 0);
        m_Wake.Wait(200);
        timeout = 100 * GST_MSECOND;
    }
    finish(finalMessage, finalParam);
}

void MediaGraph::ReportLateLength() {
    // Only a length unknown at the open is taken: once known, the controls keep it.
    if (m_TotalTime.load() != 0 || m_Conversion.Active())
        return;
    gint64 ns = 0;
    if (!gst_element_query_duration(m_pGB, GST_FORMAT_TIME, &ns) || ns <= 0)
        return;
    int64_t expected = 0;
    if (m_TotalTime.compare_exchange_strong(expected, NsToUnits(ns)))
        PostWindowMessage(m_hwndNotify, UM_GRAPH_DURATION, GetDuration(), 0);
}
