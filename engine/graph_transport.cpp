// Transport and state: running, pausing, stopping, seeking, position, length and volume.
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine/graph_messages.h"
#include "engine/graph_shared.h"
#include "engine/graph_units.h"
#include "engine/media_graph.h"
#include "engine/transport_runner.h"
#include "platform/window_message.h"

namespace {

// How far before its position a seek on a program stream is sent: its demuxer lands up to
// about a second late (a mux delay and a group of pictures).
constexpr int64_t kProgramStreamSeekLead = 2 * GST_SECOND;

}  // namespace

double MediaGraph::LinearGain(int32_t hundredthsDb) {
    if (hundredthsDb > 0)
        hundredthsDb = 0;
    // The bottom of the scale is silence, as for the Ogg output, not a faint -100 dB.
    if (hundredthsDb <= -10000)
        return 0.0;
    return std::pow(10.0, hundredthsDb / 2000.0);
}

bool MediaGraph::SetPipelineState(int state) {
    if (!m_pGB)
        return false;
    GstStateChangeReturn r = gst_element_set_state(m_pGB, static_cast<GstState>(state));
    return r != GST_STATE_CHANGE_FAILURE;
}

BOOL MediaGraph::Run() {
    // An open in progress cues its graph on a thread of its own; nothing else moves it.
    if (!m_pGB || m_bSpent || m_bOpening)
        return FALSE;
    {
        std::lock_guard<std::mutex> lock(m_StateLock);
        if (!SetPipelineState(GST_STATE_PLAYING))
            return FALSE;
        m_State = GraphState::Running;
    }
    return StartEventThread() ? TRUE : FALSE;
}

bool MediaGraph::StartEventThread() {
    if (m_bThreadAlive)
        return true;
    if (m_hThread.joinable())
        m_hThread.join();
    m_bThreadAlive = true;
    m_Wake.Reset();
    try {
        m_hThread = std::thread(&MediaGraph::EventThread, this);
    } catch (...) {
        m_bThreadAlive = false;
        return false;
    }
    return true;
}

BOOL MediaGraph::Animate() {
    if (!m_pGB || m_bSpent || m_AnimationSize.isEmpty() || m_State != GraphState::Idle)
        return FALSE;
    // The event thread drains the bus and reports a failure as the end of the item,
    // which a picture's callers leave aside.
    return SetPipelineState(GST_STATE_PLAYING) && StartEventThread() ? TRUE : FALSE;
}

BOOL MediaGraph::PlayPause() {
    return TogglePause(true);
}

BOOL MediaGraph::PlayPauseAsync() {
    return TogglePause(false);
}

BOOL MediaGraph::TogglePause(bool waitForPause) {
    if (!m_pGB || m_bSpent || m_bOpening)
        return FALSE;
    GraphState s = m_State;
    if (s == GraphState::Idle || s == GraphState::Paused)
        return Run();
    bool ok;
    {
        std::lock_guard<std::mutex> lock(m_StateLock);
        ok = SetPipelineState(GST_STATE_PAUSED);
        m_State = GraphState::Paused;
    }
    if (ok && waitForPause)
        AwaitPaused();
    return ok ? TRUE : FALSE;
}

void MediaGraph::AwaitPaused() {
    if (!m_pGB || m_State == GraphState::Running)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    {
        // A seek still on its way would leave the frame before it on screen.
        std::unique_lock<std::mutex> lock(m_LandedLock);
        m_LandedSignal.wait_until(lock, deadline, [this] { return m_SeekTarget < 0; });
    }
    // The picture renderer takes the frame it was waiting to show as the one it keeps on
    // screen; once the pause is complete that frame is the current image, so a still
    // taken now is the picture left on screen, not the one before it.
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() > 0)
        gst_element_get_state(m_pGB, nullptr, nullptr, left.count());
}

MediaGraph::StepTarget MediaGraph::CurrentTarget() {
    StepTarget t;
    t.pipeline = std::shared_ptr<GstElement>(GST_ELEMENT(gst_object_ref(m_pGB)),
                                             [](GstElement* e) { gst_object_unref(e); });
    t.shared = m_Shared;
    t.notify = m_hwndNotify;
    std::lock_guard<std::mutex> lock(m_StateLock);
    t.generation = m_Generation;
    return t;
}

bool MediaGraph::AwaitSettled(GstElement* pipeline, const std::atomic<bool>& superseded,
                              int64_t boundNs) {
    // In short rounds, so that a later request (or a close) is not kept waiting behind it.
    constexpr int64_t kRound = 20 * GST_MSECOND;
    for (int64_t waited = 0; waited < boundNs && !superseded; waited += kRound) {
        GstStateChangeReturn r = gst_element_get_state(pipeline, nullptr, nullptr, kRound);
        if (r != GST_STATE_CHANGE_ASYNC)
            return r != GST_STATE_CHANGE_FAILURE;
    }
    return false;
}

bool MediaGraph::ApplyAskedState(const StepTarget& target) {
    std::lock_guard<std::mutex> lock(m_StateLock);
    // Closed meanwhile, or stopped: the interface thread has set the pipeline itself.
    if (target.generation != m_Generation || m_State != GraphState::Running)
        return true;
    return gst_element_set_state(target.pipeline.get(), GST_STATE_PLAYING) !=
           GST_STATE_CHANGE_FAILURE;
}

void MediaGraph::Report(const StepTarget& target, int32_t tenths, int message, intptr_t wParam,
                        intptr_t lParam) {
    // A pipeline given up meanwhile tells nothing: the graph has another file by now.
    std::lock_guard<std::mutex> lock(m_StateLock);
    if (target.generation != m_Generation)
        return;
    Landed(tenths);
    PostWindowMessage(target.notify, message, wParam, lParam);
}

void MediaGraph::Landed(int32_t tenths) {
    // A later request has put its own place there meanwhile: that one still goes on.
    std::lock_guard<std::mutex> lock(m_LandedLock);
    if (m_SeekTarget.compare_exchange_strong(tenths, -1))
        m_LandedSignal.notify_all();
}

void MediaGraph::HandSeek(int32_t tenths, std::function<void(const std::atomic<bool>&)> step) {
    m_SeekTarget = tenths;
    m_Transport->Seek(std::move(step));
}

void MediaGraph::HandRewind(std::function<void(const std::atomic<bool>&)> step) {
    m_SeekTarget = 0;
    m_Transport->Rewind(std::move(step));
}

BOOL MediaGraph::StopAndRewind() {
    if (!m_pGB || m_bOpening)
        return FALSE;
    if (m_State == GraphState::Idle)
        return TRUE;
    // A finished conversion is spent: stopping it must not start writing again.
    if (m_bSpent)
        return TRUE;
    {
        std::lock_guard<std::mutex> lock(m_StateLock);
        if (!SetPipelineState(GST_STATE_PAUSED))
            return FALSE;
        if (m_State == GraphState::Ended)
            return TRUE;
        m_State = GraphState::Idle;
    }
    HandRewind([this, target = CurrentTarget()](const std::atomic<bool>& superseded) {
        bool ok = SeekStream(target, 0, -1);
        // Once prerolled there, the first frame is on screen.
        if (ok)
            AwaitSettled(target.pipeline.get(), superseded, 5 * GST_SECOND);
        Report(target, 0, UM_GRAPH_REWOUND, ok ? 1 : 0, 0);
    });
    return TRUE;
}

BOOL MediaGraph::Restart() {
    if (!m_pGB)
        return TRUE;
    if (m_bSpent || m_bOpening)
        return FALSE;
    {
        std::lock_guard<std::mutex> lock(m_StateLock);
        if (m_State != GraphState::Idle && !SetPipelineState(GST_STATE_PAUSED))
            return FALSE;
        // Running from now on as far as the callers can tell; the transport thread starts
        // the pipeline once it stands at the start, unless it was paused meanwhile.
        m_State = GraphState::Running;
    }
    if (!StartEventThread())
        return FALSE;
    HandRewind([this, target = CurrentTarget()](const std::atomic<bool>& superseded) {
        // Bounded: the seek lands on a prerolled graph.
        AwaitSettled(target.pipeline.get(), superseded, 10 * GST_SECOND);
        SeekStream(target, 0, -1);
        const bool ok = ApplyAskedState(target);
        Report(target, 0, UM_GRAPH_REWOUND, ok ? 1 : 0, 0);
    });
    return TRUE;
}

namespace {

// A position before the start is the start; GStreamer refuses negative positions.
int64_t SeekTargetNs(double tenths) {
    auto units = static_cast<int64_t>(tenths * 1000000.0);
    return units < 0 ? 0 : UnitsToNs(units);
}

}  // namespace

BOOL MediaGraph::SeekAsync(double tenths) {
    if (!m_pGB || m_bSpent || m_bOpening)
        return FALSE;
    const int64_t ns = SeekTargetNs(tenths);
    const int32_t place = tenths < 0 ? 0 : static_cast<int32_t>(tenths);
    // A flushing seek repositions a running graph as it runs: nothing waits for a pause.
    HandSeek(place, [this, target = CurrentTarget(), ns, tenths,
                     place](const std::atomic<bool>& superseded) {
        const bool landed = SeekStream(target, ns, -1);
        // A graph that stands still reports the new place, and shows its frame, once it
        // has prerolled there again.
        if (landed && m_State != GraphState::Running)
            AwaitSettled(target.pipeline.get(), superseded, 5 * GST_SECOND);
        Report(target, place, UM_GRAPH_SEEK_DONE, landed ? 1 : 0, static_cast<intptr_t>(tenths));
    });
    return TRUE;
}

int32_t MediaGraph::GetPosition() {
    if (!m_pGB)
        return 0;
    const int32_t target = m_SeekTarget;
    gint64 ns = 0;
    if (target >= 0) {
        ns = UnitsToNs(int64_t(target) * kUnitsPerTenth) + m_StartOffset;
    } else if (m_Conversion.Active()) {
        // Writers answer no time queries; the decoded stream tells how far the range is.
        int64_t t = m_Shared->lastStreamTime;
        if (t < 0)
            return 0;
        ns = t;
    } else if (!gst_element_query_position(m_pGB, GST_FORMAT_TIME, &ns)) {
        return 0;
    }
    int64_t units = NsToUnits(ns - m_StartOffset);
    // The last picture or sound block ends a little after the length the source gives.
    const int64_t total = m_TotalTime;
    if (total > 0 && units > total)
        units = total;
    if (units < 0)
        units = 0;
    return static_cast<int32_t>(units / kUnitsPerTenth);
}

int32_t MediaGraph::GetDuration() const {
    const int64_t total = m_TotalTime;
    if (!m_pGB || total == 0)
        return 0;
    return static_cast<int32_t>(total / kUnitsPerTenth);
}

BOOL MediaGraph::SetVolume(int32_t v) {
    if (!m_pGB || !m_pBA)
        return TRUE;
    if (v > 0)
        v = 0;
    if (v < -10000)
        v = -10000;
    g_object_set(m_pBA, "volume", LinearGain(v), nullptr);
    m_Volume = v;
    return TRUE;
}

bool MediaGraph::SeekStream(const StepTarget& target, int64_t positionNs, int64_t stopNs) {
    return SeekStream(*target.shared, target.pipeline.get(), nullptr, positionNs, stopNs);
}

bool MediaGraph::SeekStream(GraphShared& shared, GstElement* pipeline, GstPad* target,
                            int64_t positionNs, int64_t stopNs) {
    int64_t position = positionNs + m_StartOffset;
    int64_t stop = stopNs < 0 ? -1 : stopNs + m_StartOffset;
    int64_t sentPosition = position, sentStop = stop;
    if (shared.programStream) {
        shared.clipBefore = position > 0 ? position : -1;
        shared.clipAfter = stop;
        sentPosition = std::max<int64_t>(0, position - kProgramStreamSeekLead);
        if (stop >= 0)
            sentStop = stop + kProgramStreamSeekLead;
    } else if (shared.stopByGraph) {
        shared.clipAfter = stop;
        sentStop = -1;
    }
    GstEvent* seek = gst_event_new_seek(
        1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        sentPosition, sentStop < 0 ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET,
        sentStop < 0 ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(sentStop));
    if (target)
        return gst_pad_send_event(target, seek);
    return gst_element_send_event(pipeline, seek);
}
