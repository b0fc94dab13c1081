#include "platform/pulse_output.h"

#include <dlfcn.h>
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>
#include <sys/resource.h>

#include <QtDebug>
#include <algorithm>

namespace {

// libpulse is loaded when the first device is made, as SDL is: a start that never plays an
// Ogg item does not pay for it, and a machine without it keeps SDL's output.
#define VELTRA_PULSE_CALLS(X)           \
    X(pa_context_connect)               \
    X(pa_context_disconnect)            \
    X(pa_context_errno)                 \
    X(pa_context_get_state)             \
    X(pa_context_new_with_proplist)     \
    X(pa_context_set_sink_input_volume) \
    X(pa_context_set_state_callback)    \
    X(pa_context_unref)                 \
    X(pa_cvolume_set)                   \
    X(pa_gettimeofday)                  \
    X(pa_operation_unref)               \
    X(pa_proplist_free)                 \
    X(pa_proplist_new)                  \
    X(pa_proplist_sets)                 \
    X(pa_sample_spec_valid)             \
    X(pa_stream_begin_write)            \
    X(pa_stream_cancel_write)           \
    X(pa_stream_connect_playback)       \
    X(pa_stream_disconnect)             \
    X(pa_stream_get_index)              \
    X(pa_stream_get_state)              \
    X(pa_stream_new_with_proplist)      \
    X(pa_stream_proplist_update)        \
    X(pa_stream_set_state_callback)     \
    X(pa_stream_set_write_callback)     \
    X(pa_stream_unref)                  \
    X(pa_stream_write)                  \
    X(pa_strerror)                      \
    X(pa_sw_volume_from_linear)         \
    X(pa_threaded_mainloop_free)        \
    X(pa_threaded_mainloop_get_api)     \
    X(pa_threaded_mainloop_in_thread)   \
    X(pa_threaded_mainloop_lock)        \
    X(pa_threaded_mainloop_new)         \
    X(pa_threaded_mainloop_signal)      \
    X(pa_threaded_mainloop_start)       \
    X(pa_threaded_mainloop_stop)        \
    X(pa_threaded_mainloop_unlock)      \
    X(pa_threaded_mainloop_wait)        \
    X(pa_timeval_add)

struct PulseApi {
    bool loaded = false;
#define VELTRA_PULSE_DECLARE(name) decltype(&::name) name = nullptr;
    VELTRA_PULSE_CALLS(VELTRA_PULSE_DECLARE)
#undef VELTRA_PULSE_DECLARE
};

const PulseApi& Pa() {
    static const PulseApi api = [] {
        PulseApi a;
        // Kept loaded for the life of the process, as its threads may outlive one output.
        void* lib = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return a;
        bool all = true;
#define VELTRA_PULSE_BIND(name) \
    all = all && (a.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name))) != nullptr;
        VELTRA_PULSE_CALLS(VELTRA_PULSE_BIND)
#undef VELTRA_PULSE_BIND
        a.loaded = all;
        if (!all)
            qWarning("platform: libpulse lacks the calls of a stream");
        return a;
    }();
    return api;
}

// The server asks for this much ahead (about 46 ms at 44.1 kHz) in pieces of a quarter of
// it: short enough that a seek is heard at once, long enough for a loaded machine.
constexpr uint32_t kTargetFrames = 2048;
constexpr uint32_t kRequestFrames = 512;

// The loop's lock, except on the loop's own thread, which holds it already.
class LoopLock {
  public:
    explicit LoopLock(pa_threaded_mainloop* loop)
        : m_loop(loop), m_locked(loop && !Pa().pa_threaded_mainloop_in_thread(loop)) {
        if (m_locked)
            Pa().pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() {
        if (m_locked)
            Pa().pa_threaded_mainloop_unlock(m_loop);
    }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

  private:
    pa_threaded_mainloop* m_loop;
    bool m_locked;
};

// The loop's thread refills the server every few tens of milliseconds: on a busy machine it
// must not wait behind whatever else runs, or the server falls silent. Where the system
// allows neither a real-time class nor a higher priority it stays as it is.
void RaiseThisThread() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) != 0)
        setpriority(PRIO_PROCESS, 0, -11);  // on Linux this names the calling thread alone
}

void Finish(pa_operation* op) {
    if (op)
        Pa().pa_operation_unref(op);
}

}  // namespace

PulseOutput::PulseOutput(std::string appName, std::chrono::milliseconds bound)
    : m_appName(std::move(appName)), m_bound(bound) {}

std::unique_ptr<PulseOutput> PulseOutput::Connect(const std::string& appName,
                                                  std::chrono::milliseconds bound) {
    if (!Pa().loaded)
        return nullptr;
    std::unique_ptr<PulseOutput> out(new PulseOutput(appName, bound));
    out->m_loop = Pa().pa_threaded_mainloop_new();
    if (!out->m_loop || Pa().pa_threaded_mainloop_start(out->m_loop) < 0)
        return nullptr;
    bool connected = false;
    {
        LoopLock lock(out->m_loop);
        connected = out->EnsureContextLocked();
    }
    if (!connected)
        return nullptr;
    return out;
}

PulseOutput::~PulseOutput() {
    if (!m_loop)
        return;
    {
        LoopLock lock(m_loop);
        DropStreamLocked();
        if (m_context) {
            Pa().pa_context_set_state_callback(m_context, nullptr, nullptr);
            Pa().pa_context_disconnect(m_context);
            Pa().pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    Pa().pa_threaded_mainloop_stop(m_loop);
    Pa().pa_threaded_mainloop_free(m_loop);
}

template <typename Done>
bool PulseOutput::WaitLocked(Done done) {
    struct Timer {
        pa_threaded_mainloop* loop;
        bool fired;
    } timer{m_loop, false};
    pa_mainloop_api* api = Pa().pa_threaded_mainloop_get_api(m_loop);
    timeval when{};
    Pa().pa_gettimeofday(&when);
    Pa().pa_timeval_add(&when, static_cast<pa_usec_t>(m_bound.count()) * PA_USEC_PER_MSEC);
    pa_time_event* event = api->time_new(
        api, &when,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* user) {
            Timer* t = static_cast<Timer*>(user);
            t->fired = true;
            Pa().pa_threaded_mainloop_signal(t->loop, 0);
        },
        &timer);
    while (!done() && !timer.fired) Pa().pa_threaded_mainloop_wait(m_loop);
    if (event)
        api->time_free(event);
    return done();
}

bool PulseOutput::EnsureContextLocked() {
    if (m_context && Pa().pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return true;
    if (m_context) {  // the server went away: a new connection, maybe to a new server
        DropStreamLocked();
        Pa().pa_context_set_state_callback(m_context, nullptr, nullptr);
        Pa().pa_context_disconnect(m_context);
        Pa().pa_context_unref(m_context);
        m_context = nullptr;
    }
    pa_proplist* props = Pa().pa_proplist_new();
    Pa().pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, m_appName.c_str());
    Pa().pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "veltra");
    m_context = Pa().pa_context_new_with_proplist(Pa().pa_threaded_mainloop_get_api(m_loop),
                                                  m_appName.c_str(), props);
    Pa().pa_proplist_free(props);
    if (!m_context)
        return false;
    Pa().pa_context_set_state_callback(m_context, &PulseOutput::OnContextState, this);
    // A desktop without a running server keeps SDL's way; none is started for us.
    bool ready = Pa().pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    ready = ready && WaitLocked([this] {
                const pa_context_state_t s = Pa().pa_context_get_state(m_context);
                return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
            });
    ready = ready && Pa().pa_context_get_state(m_context) == PA_CONTEXT_READY;
    if (!ready) {
        Pa().pa_context_set_state_callback(m_context, nullptr, nullptr);
        Pa().pa_context_disconnect(m_context);
        Pa().pa_context_unref(m_context);
        m_context = nullptr;
    }
    return ready;
}

bool PulseOutput::Open(const WAVEFORMATEX& format, const OutputDevice& output,
                       const std::string& title, MixSource& source) {
    LoopLock lock(m_loop);
    DropStreamLocked();
    if (!EnsureContextLocked())
        return false;
    m_source = &source;
    m_frameBytes = format.nBlockAlign;
    m_channels = format.nChannels;
    // An output that has gone since it was chosen: the default rather than silence.
    if (!output.IsDefault() && ConnectStreamLocked(format, output.name.c_str(), title))
        return true;
    if (ConnectStreamLocked(format, nullptr, title))
        return true;
    qWarning("platform: cannot open a stream of the sound server: %s",
             Pa().pa_strerror(Pa().pa_context_errno(m_context)));
    return false;
}

bool PulseOutput::ConnectStreamLocked(const WAVEFORMATEX& format, const char* sink,
                                      const std::string& title) {
    DropStreamLocked();
    pa_sample_spec sampleFormat{};
    sampleFormat.format = format.wBitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleFormat.rate = format.nSamplesPerSec;
    sampleFormat.channels = static_cast<uint8_t>(format.nChannels);
    if (!Pa().pa_sample_spec_valid(&sampleFormat))
        return false;
    pa_proplist* props = Pa().pa_proplist_new();
    Pa().pa_proplist_sets(props, PA_PROP_MEDIA_NAME, title.c_str());
    Pa().pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    m_stream =
        Pa().pa_stream_new_with_proplist(m_context, title.c_str(), &sampleFormat, nullptr, props);
    Pa().pa_proplist_free(props);
    if (!m_stream)
        return false;
    Pa().pa_stream_set_state_callback(m_stream, &PulseOutput::OnStreamState, this);
    Pa().pa_stream_set_write_callback(m_stream, &PulseOutput::OnWrite, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = kTargetFrames * format.nBlockAlign;
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = kRequestFrames * format.nBlockAlign;
    attr.fragsize = static_cast<uint32_t>(-1);
    pa_cvolume volume;
    Pa().pa_cvolume_set(&volume, sampleFormat.channels, Pa().pa_sw_volume_from_linear(m_volume));
    bool ready = Pa().pa_stream_connect_playback(m_stream, sink, &attr, PA_STREAM_ADJUST_LATENCY,
                                                 &volume, nullptr) >= 0;
    ready = ready && WaitLocked([this] {
                const pa_stream_state_t s = Pa().pa_stream_get_state(m_stream);
                return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
            });
    ready = ready && Pa().pa_stream_get_state(m_stream) == PA_STREAM_READY;
    if (!ready)
        DropStreamLocked();
    return ready;
}

void PulseOutput::DropStreamLocked() {
    if (!m_stream)
        return;
    Pa().pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    Pa().pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    Pa().pa_stream_disconnect(m_stream);
    Pa().pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseOutput::Close() {
    LoopLock lock(m_loop);
    DropStreamLocked();
}

bool PulseOutput::IsOpen() {
    LoopLock lock(m_loop);
    return m_stream && m_context && Pa().pa_context_get_state(m_context) == PA_CONTEXT_READY &&
           Pa().pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

bool PulseOutput::Retitle(const std::string& title) {
    LoopLock lock(m_loop);
    if (!m_stream || Pa().pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return false;
    pa_proplist* props = Pa().pa_proplist_new();
    Pa().pa_proplist_sets(props, PA_PROP_MEDIA_NAME, title.c_str());
    pa_operation* op =
        Pa().pa_stream_proplist_update(m_stream, PA_UPDATE_REPLACE, props, nullptr, nullptr);
    Pa().pa_proplist_free(props);
    Finish(op);
    return op != nullptr;
}

bool PulseOutput::SetVolume(float linear) {
    LoopLock lock(m_loop);
    m_volume = std::clamp(linear, 0.0f, 1.0f);
    ApplyVolumeLocked();
    return true;
}

void PulseOutput::ApplyVolumeLocked() {
    if (!m_stream || Pa().pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    pa_cvolume volume;
    Pa().pa_cvolume_set(&volume, static_cast<unsigned>(m_channels),
                        Pa().pa_sw_volume_from_linear(m_volume));
    Finish(Pa().pa_context_set_sink_input_volume(m_context, Pa().pa_stream_get_index(m_stream),
                                                 &volume, nullptr, nullptr));
}

void PulseOutput::OnContextState(pa_context*, void* self) {
    Pa().pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
}

void PulseOutput::OnStreamState(pa_stream*, void* self) {
    Pa().pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
}

void PulseOutput::OnWrite(pa_stream* s, size_t bytes, void* self) {
    PulseOutput* out = static_cast<PulseOutput*>(self);
    if (!out->m_raised) {
        out->m_raised = true;
        RaiseThisThread();
    }
    const size_t frame = std::max<size_t>(out->m_frameBytes, 1);
    while (bytes >= frame) {
        void* data = nullptr;
        size_t n = bytes;
        if (Pa().pa_stream_begin_write(s, &data, &n) < 0 || !data)
            return;
        n = std::min(n, bytes);
        n -= n % frame;
        if (n == 0) {
            Pa().pa_stream_cancel_write(s);
            return;
        }
        out->m_source->Render(static_cast<uint8_t*>(data), n);
        if (Pa().pa_stream_write(s, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        bytes -= n;
    }
}
