#include "platform/sdl_sound.h"

#include <SDL.h>
#include <dlfcn.h>

#include <QtDebug>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/pulse_output.h"
#include "platform/sound_output.h"

namespace {

// SDL and the sound libraries it pulls in are loaded when the first device is made, not
// at program start: most starts never play a sound before the window is up.
struct SdlApi {
    bool loaded = false;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&SDL_GetError) GetError = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_SetHint) SetHint = nullptr;
    // Rate and channel conversion of buffers whose format differs from the output's.
    decltype(&SDL_NewAudioStream) NewAudioStream = nullptr;
    decltype(&SDL_AudioStreamPut) AudioStreamPut = nullptr;
    decltype(&SDL_AudioStreamGet) AudioStreamGet = nullptr;
    decltype(&SDL_AudioStreamAvailable) AudioStreamAvailable = nullptr;
    decltype(&SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
    decltype(&SDL_AudioStreamClear) AudioStreamClear = nullptr;
    decltype(&SDL_FreeAudioStream) FreeAudioStream = nullptr;
    // The outputs by name, to open the one the user chose.
    decltype(&SDL_GetNumAudioDevices) GetNumAudioDevices = nullptr;
    decltype(&SDL_GetAudioDeviceName) GetAudioDeviceName = nullptr;
};

const SdlApi& Sdl() {
    static const SdlApi api = [] {
        SdlApi a;
        void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            qWarning("platform: cannot load SDL2: %s", dlerror());
            return a;
        }
        // Kept loaded for the life of the process: its audio thread may outlive any one
        // device.
        auto get = [lib](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            return fn != nullptr;
        };
        a.loaded = get(a.CloseAudioDevice, "SDL_CloseAudioDevice") &&
                   get(a.GetError, "SDL_GetError") && get(a.InitSubSystem, "SDL_InitSubSystem") &&
                   get(a.OpenAudioDevice, "SDL_OpenAudioDevice") &&
                   get(a.PauseAudioDevice, "SDL_PauseAudioDevice") &&
                   get(a.QuitSubSystem, "SDL_QuitSubSystem") && get(a.SetHint, "SDL_SetHint") &&
                   get(a.NewAudioStream, "SDL_NewAudioStream") &&
                   get(a.AudioStreamPut, "SDL_AudioStreamPut") &&
                   get(a.AudioStreamGet, "SDL_AudioStreamGet") &&
                   get(a.AudioStreamAvailable, "SDL_AudioStreamAvailable") &&
                   get(a.AudioStreamFlush, "SDL_AudioStreamFlush") &&
                   get(a.AudioStreamClear, "SDL_AudioStreamClear") &&
                   get(a.FreeAudioStream, "SDL_FreeAudioStream") &&
                   get(a.GetNumAudioDevices, "SDL_GetNumAudioDevices") &&
                   get(a.GetAudioDeviceName, "SDL_GetAudioDeviceName");
        if (!a.loaded)
            qWarning("platform: SDL2 lacks the audio calls");
        return a;
    }();
    return api;
}

constexpr DWORD kDescSizeWindows = 36;
constexpr DWORD kMinBufferBytes = 4;
constexpr DWORD kMaxBufferBytes = 0x0FFFFFFF;
constexpr Uint16 kCallbackFrames = 512;
constexpr char kProgramName[] = "VELTRA";
// A server that does not answer this soon is not there for us.
constexpr auto kServerBound = std::chrono::milliseconds(2000);
// Longer than any step from one item to the next.
constexpr auto kQuietBeforeRenaming = std::chrono::seconds(1);
// Longest piece of a buffer handed to the rate converter at once (about 0.2 s at 44100 Hz);
// only rates without a short common period with the output's come near it.
constexpr uint64_t kMaxConvertFrames = 8192;

bool IsSame(REFIID a, const IID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool IsPlayablePcm(const WAVEFORMATEX* f) {
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec >= 100 &&
           f->nSamplesPerSec <= 384000 && f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

WAVEFORMATEX DefaultPrimaryFormat() {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 44100 * 4;
    return f;
}

class MixDevice;

// A streaming buffer: a ring the caller fills through Lock/Unlock and the device's
// callback reads from at the buffer's own rate.
class MixSecondaryBuffer final : public IDirectSoundBuffer, public IDirectSoundNotify {
  public:
    MixSecondaryBuffer(MixDevice& device, DWORD flags, const WAVEFORMATEX& format,
                       std::vector<uint8_t> data);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDCALL; }
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2,
                 DWORD* bytes2, DWORD flags) override;
    HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT Stop() override;
    HRESULT Restore() override { return S_OK; }
    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override;

    // Callback thread, device mutex held: adds this buffer's next frames to mix.
    void MixInto(float* mix, int frames, int outChannels, int outRate, float primaryGain);
    bool Playing() const { return m_playing; }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~MixSecondaryBuffer();
    DWORD CursorLocked() const;
    void FireStopLocked();
    // The two ways of reading the ring: frame by frame when it already has the output's
    // rate, through SDL's resampler otherwise. Both answer how many frames of the ring
    // they consumed and whether a one-shot buffer has played out.
    uint64_t MixSameRate(float* mix, int frames, int outChannels, float gain, bool* ended);
    uint64_t MixConverted(float* mix, int frames, int outChannels, int outRate, float gain,
                          bool* ended);
    bool EnsureConverter(int outChannels, int outRate);
    void DropConverter();
    void FireNotificationsLocked(uint64_t fromByte, uint64_t travelled);

    MixDevice& m_device;
    RefCount m_refs;
    const DWORD m_flags;
    const WAVEFORMATEX m_format;
    std::vector<uint8_t> m_data;
    const DWORD m_frames;
    // Guarded by the device mutex.
    uint64_t m_pos = 0;  // the next frame the mix reads, always below m_frames
    bool m_playing = false;
    bool m_looping = false;
    LONG m_volume = 0;
    float m_gain = 1.0f;
    std::vector<DSBPOSITIONNOTIFY> m_notify;
    // Conversion to the output format (callback thread only, device mutex held). Picking
    // the nearest sample instead would fold images of every tone into the audible band.
    SDL_AudioStream* m_converter = nullptr;
    int m_converterRate = 0, m_converterChannels = 0;
    bool m_sourceDone = false;  // a one-shot buffer's last frame is in the converter
    size_t m_pieceFrames = 0;   // frames handed to the converter at a time
    std::vector<uint8_t> m_piece;
    std::vector<float> m_converted;
};

// The primary buffer: the output format, the master volume and the 3D listener values.
class MixPrimaryBuffer final : public IDirectSoundBuffer, public IDirectSound3DListener {
  public:
    MixPrimaryBuffer(MixDevice& device, DWORD flags);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetFormat(const WAVEFORMATEX* format) override;
    HRESULT Lock(DWORD, DWORD, void**, DWORD*, void**, DWORD*, DWORD) override {
        return DSERR_INVALIDCALL;  // the mix is ours; the primary buffer is not writable
    }
    HRESULT Unlock(void*, DWORD, void*, DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT Play(DWORD, DWORD, DWORD) override { return S_OK; }
    HRESULT Stop() override { return S_OK; }
    HRESULT Restore() override { return S_OK; }

    HRESULT SetDistanceFactor(float factor, DWORD apply) override;
    HRESULT SetPosition(float x, float y, float z, DWORD apply) override;
    HRESULT SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY,
                           float topZ, DWORD apply) override;
    HRESULT GetDistanceFactor(float* factor) override;
    HRESULT GetPosition(D3DVECTOR* position) override;
    HRESULT GetOrientation(D3DVECTOR* front, D3DVECTOR* top) override;

    void AddFlags(DWORD flags) { m_flags |= flags; }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~MixPrimaryBuffer();

    MixDevice& m_device;
    RefCount m_refs;
    std::atomic<DWORD> m_flags;
    // Listener values: kept for whoever asks; the mix itself is plain stereo.
    std::mutex m_listenerMutex;
    float m_distanceFactor = 1.0f;
    D3DVECTOR m_position{0, 0, 0};
    D3DVECTOR m_front{0, 0, 1};
    D3DVECTOR m_top{0, 1, 0};
};

// The device's output on SDL audio: the fallback where no PulseAudio server answers, and
// what a forced SDL driver (the suite's dummy) gets. SDL names a stream only when it opens.
class SdlOutput final : public MixOutput {
  public:
    ~SdlOutput() override {
        Close();
        Sdl().QuitSubSystem(SDL_INIT_AUDIO);
    }
    bool Open(const WAVEFORMATEX& format, const OutputDevice& output, const std::string& title,
              MixSource& source) override;
    void Close() override {
        if (m_audio)
            Sdl().CloseAudioDevice(m_audio);  // waits for a running callback
        m_audio = 0;
    }
    bool IsOpen() override { return m_audio != 0; }
    bool Retitle(const std::string&) override { return false; }
    bool SetVolume(float) override { return false; }

  private:
    static void SDLCALL Callback(void* user, Uint8* stream, int len) {
        static_cast<MixSource*>(user)->Render(stream, static_cast<size_t>(std::max(len, 0)));
    }

    SDL_AudioDeviceID m_audio = 0;
};

class MixDevice final : public IDirectSound8, public MixSource {
  public:
    explicit MixDevice(std::unique_ptr<MixOutput> output) : m_output(std::move(output)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsSame(riid, IID_IUnknown) || IsSame(riid, IID_IDirectSound) ||
            IsSame(riid, IID_IDirectSound8)) {
            *ppv = static_cast<IDirectSound8*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override { return m_refs.Drop(this); }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                              IUnknown* outer) override;
    HRESULT SetCooperativeLevel(void* ownerWindow, DWORD level) override {
        if (level < DSSCL_NORMAL || level > 4)
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_owner = ownerWindow;
        m_level = level;
        return S_OK;
    }

    // Everything below is shared with the buffers.
    std::mutex m_mutex;  // taken by the output's thread; never held around an output call
    // When a buffer last stopped (under m_mutex): an open stream that cannot be renamed
    // where it stands is reopened for a new item only once nothing has played for a
    // while, as reopening it cuts off what the server still holds and delays the next
    // sound.
    std::chrono::steady_clock::time_point m_lastStop;

    WAVEFORMATEX PrimaryFormat() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_primaryFormat;
    }
    HRESULT SetPrimaryFormat(const WAVEFORMATEX& format);
    LONG PrimaryVolume() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_primaryVolume;
    }
    void SetPrimaryVolume(LONG volume);
    bool OutputOpen() {
        std::lock_guard<std::mutex> lock(m_openMutex);
        return m_output->IsOpen();
    }

    void Register(MixSecondaryBuffer* b) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_buffers.push_back(b);
    }
    void Unregister(MixSecondaryBuffer* b) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_buffers.erase(std::remove(m_buffers.begin(), m_buffers.end(), b), m_buffers.end());
    }
    void PrimaryGone() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_primary = nullptr;
    }
    // Opens the output at the primary format if it is not open yet.
    bool EnsureOutput();

    // The output's thread: the mix of every playing buffer, at the primary format.
    void Render(uint8_t* stream, size_t bytes) override;

  private:
    friend class ::RefCount;  // the last Release deletes
    ~MixDevice() { CloseOutput(); }
    void CloseOutput();
    // The output's thread: an output that renames its stream where it stands follows the
    // title of what plays, also when one item follows another on the same stream.
    void FollowTitle(size_t frames, DWORD rate);

    RefCount m_refs;
    void* m_owner = nullptr;
    DWORD m_level = 0;
    WAVEFORMATEX m_primaryFormat = DefaultPrimaryFormat();
    LONG m_primaryVolume = 0;
    float m_primaryGain = 1.0f;
    bool m_volumeInStream = false;          // the output carries the primary volume: not in the mix
    MixPrimaryBuffer* m_primary = nullptr;  // not owned: it owns a reference to us
    std::vector<MixSecondaryBuffer*> m_buffers;
    std::vector<float> m_mix;
    WAVEFORMATEX m_mixFormat = DefaultPrimaryFormat();  // what the open stream plays
    // Output calls: separate from m_mutex so the output's thread never waits on them.
    std::mutex m_openMutex;
    const std::unique_ptr<MixOutput> m_output;
    std::string m_openedOutput;
    // The name the stream carries now (a leaf lock: never held around an output call).
    std::mutex m_titleMutex;
    std::string m_streamTitle;
    size_t m_framesSinceTitle = 0;  // the output's thread only
};

// ---------------------------------------------------------------- device

HRESULT MixDevice::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                     IUnknown* outer) {
    if (!buffer)
        return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!desc || (desc->dwSize != kDescSizeWindows && desc->dwSize != sizeof(DSBUFFERDESC)))
        return DSERR_INVALIDPARAM;

    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat)
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_primary) {  // one primary buffer per device, handed out again
            m_primary->AddFlags(desc->dwFlags);
            m_primary->AddRef();
            *buffer = m_primary;
            return S_OK;
        }
        MixPrimaryBuffer* p = new (std::nothrow) MixPrimaryBuffer(*this, desc->dwFlags);
        if (!p)
            return DSERR_OUTOFMEMORY;
        m_primary = p;
        *buffer = p;
        return S_OK;
    }

    if (!IsPlayablePcm(desc->lpwfxFormat))
        return DSERR_INVALIDPARAM;
    const WAVEFORMATEX& f = *desc->lpwfxFormat;
    if (desc->dwBufferBytes < kMinBufferBytes || desc->dwBufferBytes > kMaxBufferBytes ||
        desc->dwBufferBytes < f.nBlockAlign)
        return DSERR_INVALIDPARAM;
    // Whole frames only, so the cursors never stop inside a sample.
    DWORD bytes = desc->dwBufferBytes - desc->dwBufferBytes % f.nBlockAlign;
    std::vector<uint8_t> data;
    try {
        data.assign(bytes, f.wBitsPerSample == 8 ? 0x80 : 0x00);
    } catch (const std::bad_alloc&) {
        return DSERR_OUTOFMEMORY;
    }
    MixSecondaryBuffer* b =
        new (std::nothrow) MixSecondaryBuffer(*this, desc->dwFlags, f, std::move(data));
    if (!b)
        return DSERR_OUTOFMEMORY;
    *buffer = b;
    return S_OK;
}

HRESULT MixDevice::SetPrimaryFormat(const WAVEFORMATEX& format) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (std::memcmp(&m_primaryFormat, &format, sizeof format) == 0)
            return S_OK;
        m_primaryFormat = format;
        m_primaryFormat.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        m_primaryFormat.cbSize = 0;
    }
    // An open output is reopened at the new format.
    bool wasOpen = OutputOpen();
    if (wasOpen) {
        CloseOutput();
        if (!EnsureOutput())
            return DSERR_NODRIVER;
    }
    return S_OK;
}

// SDL names the sound server's outputs by their descriptions; the default has no name.
// An output that is not there, or one SDL cannot tell from another, opens the default.
std::string SdlOutputName(const OutputDevice& output) {
    if (output.IsDefault() || output.description.empty())
        return {};
    int matches = 0;
    const int count = Sdl().GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = Sdl().GetAudioDeviceName(i, 0);
        matches += name && output.description == name;
    }
    return matches == 1 ? output.description : std::string();
}

bool SdlOutput::Open(const WAVEFORMATEX& format, const OutputDevice& output,
                     const std::string& title, MixSource& source) {
    Close();
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.nSamplesPerSec);
    want.format = format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format.nChannels);
    want.samples = kCallbackFrames;
    want.callback = &SdlOutput::Callback;
    want.userdata = &source;
    SDL_AudioSpec got{};
    Sdl().SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, title.c_str());
    const std::string name = SdlOutputName(output);
    // No changes allowed: SDL converts to what the hardware wants, our mix stays simple.
    SDL_AudioDeviceID id =
        Sdl().OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &want, &got, 0);
    if (id == 0 && !name.empty())  // gone since it was listed: the default rather than silence
        id = Sdl().OpenAudioDevice(nullptr, 0, &want, &got, 0);
    if (id == 0) {
        qWarning("platform: cannot open sound output: %s", Sdl().GetError());
        return false;
    }
    m_audio = id;
    Sdl().PauseAudioDevice(id, 0);
    return true;
}

std::string StreamTitle() {
    const std::string title = SoundStreamTitle();
    return title.empty() ? std::string(kProgramName) : title;
}

bool MixDevice::EnsureOutput() {
    // Read when a stream opens, so the mixer shows the item that plays and a new choice of
    // output reaches the next item. An open stream is reopened for a new output only while
    // no other buffer plays into it; one that cannot be renamed where it stands is
    // reopened for a new title only after a quiet spell, so neither what plays nor the
    // step from one item to the next is cut.
    const OutputDevice output = CurrentSoundOutput();
    const std::string title = StreamTitle();
    std::lock_guard<std::mutex> open(m_openMutex);
    if (m_output->IsOpen()) {
        std::string shown;
        {
            std::lock_guard<std::mutex> lock(m_titleMutex);
            shown = m_streamTitle;
        }
        if (title != shown && m_output->Retitle(title)) {
            std::lock_guard<std::mutex> lock(m_titleMutex);
            m_streamTitle = shown = title;
        }
        size_t playing = 0;
        bool quiet = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const MixSecondaryBuffer* b : m_buffers) playing += b->Playing();
            quiet = std::chrono::steady_clock::now() - m_lastStop >= kQuietBeforeRenaming;
        }
        const bool reopen = output.name != m_openedOutput || (title != shown && quiet);
        if (!reopen || playing > 1)
            return true;
        m_output->Close();
    }
    const WAVEFORMATEX f = PrimaryFormat();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mixFormat = f;
        m_mix.assign(static_cast<size_t>(kCallbackFrames) * f.nChannels * 4, 0.0f);
    }
    {
        std::lock_guard<std::mutex> lock(m_titleMutex);
        m_streamTitle = title;
    }
    if (!m_output->Open(f, output, title, *this))
        return false;
    m_openedOutput = output.name;
    const float gain = LinearGainFromHundredthsDb(PrimaryVolume());
    const bool inStream = m_output->SetVolume(gain);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_volumeInStream = inStream;
    return true;
}

void MixDevice::SetPrimaryVolume(LONG volume) {
    const float gain = LinearGainFromHundredthsDb(volume);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_primaryVolume = volume;
        m_primaryGain = gain;
    }
    // Where the stream has a volume of its own, the mixer shows the program's.
    std::lock_guard<std::mutex> open(m_openMutex);
    const bool inStream = m_output->SetVolume(gain);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_volumeInStream = inStream;
}

void MixDevice::CloseOutput() {
    std::lock_guard<std::mutex> open(m_openMutex);
    m_output->Close();
}

void MixDevice::FollowTitle(size_t frames, DWORD rate) {
    m_framesSinceTitle += frames;
    // About ten looks a second: the title changes once an item.
    if (m_framesSinceTitle < rate / 10)
        return;
    m_framesSinceTitle = 0;
    const std::string title = StreamTitle();
    {
        std::lock_guard<std::mutex> lock(m_titleMutex);
        if (title == m_streamTitle)
            return;
    }
    if (!m_output->Retitle(title))
        return;
    std::lock_guard<std::mutex> lock(m_titleMutex);
    m_streamTitle = title;
}

void MixDevice::Render(uint8_t* stream, size_t len) {
    size_t frames = 0;
    DWORD rate = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        rate = m_mixFormat.nSamplesPerSec;
        const int channels = m_mixFormat.nChannels;
        const bool eightBit = m_mixFormat.wBitsPerSample == 8;
        const size_t sampleBytes = eightBit ? 1 : 2;
        frames = len / (channels * sampleBytes);
        const size_t samples = frames * channels;
        if (m_mix.size() < samples)
            m_mix.resize(samples);  // only if the output asks for more than it said it would
        std::fill(m_mix.begin(), m_mix.begin() + static_cast<long>(samples), 0.0f);
        const float master = m_volumeInStream ? 1.0f : m_primaryGain;
        for (MixSecondaryBuffer* b : m_buffers)
            if (b->Playing())
                b->MixInto(m_mix.data(), static_cast<int>(frames), channels,
                           static_cast<int>(m_mixFormat.nSamplesPerSec), master);
        for (size_t i = 0; i < samples; ++i) {
            float v = std::clamp(m_mix[i], -32768.0f, 32767.0f);
            if (eightBit) {
                stream[i] = static_cast<Uint8>(static_cast<int>(v) / 256 + 128);
            } else {
                int16_t sample = static_cast<int16_t>(std::lrint(v));
                std::memcpy(stream + i * 2, &sample, 2);
            }
        }
        std::memset(stream + samples * sampleBytes, eightBit ? 0x80 : 0,
                    len - samples * sampleBytes);
    }
    FollowTitle(frames, rate);
}

// ---------------------------------------------------------------- primary buffer

MixPrimaryBuffer::MixPrimaryBuffer(MixDevice& device, DWORD flags)
    : m_device(device), m_flags(flags) {
    m_device.AddRef();
}

MixPrimaryBuffer::~MixPrimaryBuffer() {
    m_device.PrimaryGone();
    m_device.Release();
}

HRESULT MixPrimaryBuffer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsSame(riid, IID_IUnknown) || IsSame(riid, IID_IDirectSoundBuffer))
        *ppv = static_cast<IDirectSoundBuffer*>(this);
    else if (IsSame(riid, IID_IDirectSound3DListener) && (m_flags & DSBCAPS_CTRL3D))
        *ppv = static_cast<IDirectSound3DListener*>(this);
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG MixPrimaryBuffer::Release() {
    return m_refs.Drop(this);
}

HRESULT MixPrimaryBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) {
    if (playCursor)
        *playCursor = 0;
    if (writeCursor)
        *writeCursor = 0;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetStatus(DWORD* status) {
    if (!status)
        return DSERR_INVALIDPARAM;
    *status = m_device.OutputOpen() ? (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING) : 0;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetVolume(LONG* volume) {
    if (!volume)
        return DSERR_INVALIDPARAM;
    if (!(m_flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    *volume = m_device.PrimaryVolume();
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetVolume(LONG volume) {
    if (!(m_flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    m_device.SetPrimaryVolume(volume);
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetFormat(const WAVEFORMATEX* format) {
    if (!IsPlayablePcm(format))
        return DSERR_INVALIDPARAM;
    return m_device.SetPrimaryFormat(*format);
}

HRESULT MixPrimaryBuffer::SetDistanceFactor(float factor, DWORD) {
    if (!(factor > 0.0f) || !std::isfinite(factor))
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_distanceFactor = factor;
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetPosition(float x, float y, float z, DWORD) {
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_position = {x, y, z};
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetOrientation(float frontX, float frontY, float frontZ, float topX,
                                         float topY, float topZ, DWORD) {
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_front = {frontX, frontY, frontZ};
    m_top = {topX, topY, topZ};
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetDistanceFactor(float* factor) {
    if (!factor)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    *factor = m_distanceFactor;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetPosition(D3DVECTOR* position) {
    if (!position)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    *position = m_position;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetOrientation(D3DVECTOR* front, D3DVECTOR* top) {
    if (!front || !top)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    *front = m_front;
    *top = m_top;
    return S_OK;
}

// ---------------------------------------------------------------- secondary buffer

MixSecondaryBuffer::MixSecondaryBuffer(MixDevice& device, DWORD flags, const WAVEFORMATEX& format,
                                       std::vector<uint8_t> data)
    : m_device(device),
      m_flags(flags),
      m_format(format),
      m_data(std::move(data)),
      m_frames(static_cast<DWORD>(m_data.size() / format.nBlockAlign)) {
    m_device.AddRef();
    m_device.Register(this);
}

MixSecondaryBuffer::~MixSecondaryBuffer() {
    m_device.Unregister(this);  // after this the callback cannot reach us
    DropConverter();
    m_device.Release();
}

HRESULT MixSecondaryBuffer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsSame(riid, IID_IUnknown) || IsSame(riid, IID_IDirectSoundBuffer))
        *ppv = static_cast<IDirectSoundBuffer*>(this);
    else if (IsSame(riid, IID_IDirectSoundNotify))
        *ppv = static_cast<IDirectSoundNotify*>(this);
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG MixSecondaryBuffer::Release() {
    return m_refs.Drop(this);
}

DWORD MixSecondaryBuffer::CursorLocked() const {
    return static_cast<DWORD>(m_pos) * m_format.nBlockAlign;
}

HRESULT MixSecondaryBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) {
    std::lock_guard<std::mutex> lock(m_device.m_mutex);
    // The mix takes its data when the callback runs, so everything from the play cursor
    // on may still be written: both cursors stand at the same place.
    DWORD cursor = CursorLocked();
    if (playCursor)
        *playCursor = cursor;
    if (writeCursor)
        *writeCursor = cursor;
    return S_OK;
}

HRESULT MixSecondaryBuffer::GetStatus(DWORD* status) {
    if (!status)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_device.m_mutex);
    *status =
        (m_playing ? DSBSTATUS_PLAYING : 0) | (m_playing && m_looping ? DSBSTATUS_LOOPING : 0);
    return S_OK;
}

HRESULT MixSecondaryBuffer::GetVolume(LONG* volume) {
    if (!volume)
        return DSERR_INVALIDPARAM;
    if (!(m_flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> lock(m_device.m_mutex);
    *volume = m_volume;
    return S_OK;
}

HRESULT MixSecondaryBuffer::SetVolume(LONG volume) {
    if (!(m_flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_device.m_mutex);
    m_volume = volume;
    m_gain = LinearGainFromHundredthsDb(volume);
    return S_OK;
}

HRESULT MixSecondaryBuffer::Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1,
                                 void** part2, DWORD* bytes2, DWORD flags) {
    if (!part1 || !bytes1)
        return DSERR_INVALIDPARAM;
    *part1 = nullptr;
    *bytes1 = 0;
    if (part2)
        *part2 = nullptr;
    if (bytes2)
        *bytes2 = 0;
    const DWORD size = static_cast<DWORD>(m_data.size());
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        std::lock_guard<std::mutex> lock(m_device.m_mutex);
        offset = CursorLocked();
    }
    if (flags & DSBLOCK_ENTIREBUFFER)
        bytes = size;
    if (offset >= size || bytes == 0 || bytes > size)
        return DSERR_INVALIDPARAM;
    DWORD first = std::min(bytes, size - offset);
    *part1 = m_data.data() + offset;
    *bytes1 = first;
    // The rest wraps to the start of the ring; without room for a second part the lock
    // covers the first part only.
    if (first < bytes && part2 && bytes2) {
        *part2 = m_data.data();
        *bytes2 = bytes - first;
    }
    return S_OK;
}

HRESULT MixSecondaryBuffer::Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) {
    const uint8_t* begin = m_data.data();
    const uint8_t* end = begin + m_data.size();
    auto inside = [&](void* p, DWORD n) {
        const uint8_t* q = static_cast<const uint8_t*>(p);
        return q >= begin && q <= end && n <= static_cast<size_t>(end - q);
    };
    if (!part1 || !inside(part1, bytes1) || (part2 && !inside(part2, bytes2)))
        return DSERR_INVALIDPARAM;
    return S_OK;
}

HRESULT MixSecondaryBuffer::Play(DWORD, DWORD, DWORD flags) {
    {
        std::lock_guard<std::mutex> lock(m_device.m_mutex);
        m_looping = (flags & DSBPLAY_LOOPING) != 0;
        m_playing = true;
    }
    if (!m_device.EnsureOutput()) {
        std::lock_guard<std::mutex> lock(m_device.m_mutex);
        m_playing = false;
        return DSERR_NODRIVER;
    }
    return S_OK;
}

void MixSecondaryBuffer::FireStopLocked() {
    for (const DSBPOSITIONNOTIFY& n : m_notify)
        if (n.dwOffset == DSBPN_OFFSETSTOP && n.hEventNotify)
            n.hEventNotify->Set();
}

HRESULT MixSecondaryBuffer::Stop() {
    std::lock_guard<std::mutex> lock(m_device.m_mutex);
    if (m_playing) {
        m_playing = false;
        m_device.m_lastStop = std::chrono::steady_clock::now();
        FireStopLocked();
    }
    return S_OK;
}

HRESULT MixSecondaryBuffer::SetNotificationPositions(DWORD count,
                                                     const DSBPOSITIONNOTIFY* positions) {
    if (count > 0 && !positions)
        return DSERR_INVALIDPARAM;
    for (DWORD i = 0; i < count; ++i)
        if (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= m_data.size())
            return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_device.m_mutex);
    // Changing the positions under a running cursor is refused, as on the original device.
    if (m_playing)
        return DSERR_INVALIDCALL;
    m_notify.assign(positions, positions + count);
    return S_OK;
}

void MixSecondaryBuffer::MixInto(float* mix, int frames, int outChannels, int outRate,
                                 float primaryGain) {
    const float gain = m_gain * primaryGain;
    const uint64_t startFrame = m_pos;
    bool ended = false;
    const uint64_t consumed = static_cast<int>(m_format.nSamplesPerSec) == outRate
                                  ? MixSameRate(mix, frames, outChannels, gain, &ended)
                                  : MixConverted(mix, frames, outChannels, outRate, gain, &ended);
    FireNotificationsLocked(startFrame * m_format.nBlockAlign, consumed * m_format.nBlockAlign);
    if (ended) {
        m_playing = false;
        m_pos = 0;
        m_sourceDone = false;
        if (m_converter)
            Sdl().AudioStreamClear(m_converter);
        FireStopLocked();
    }
}

uint64_t MixSecondaryBuffer::MixSameRate(float* mix, int frames, int outChannels, float gain,
                                         bool* ended) {
    const bool eightBit = m_format.wBitsPerSample == 8;
    const bool stereo = m_format.nChannels == 2;
    uint64_t frame = m_pos;
    uint64_t consumed = 0;
    for (int i = 0; i < frames; ++i) {
        if (frame >= m_frames) {
            if (!m_looping) {
                *ended = true;
                break;
            }
            frame = 0;
        }
        const uint8_t* p = m_data.data() + frame * m_format.nBlockAlign;
        float left, right;
        if (eightBit) {
            left = (static_cast<float>(p[0]) - 128.0f) * 256.0f;
            right = stereo ? (static_cast<float>(p[1]) - 128.0f) * 256.0f : left;
        } else {
            int16_t l, r;
            std::memcpy(&l, p, 2);
            if (stereo)
                std::memcpy(&r, p + 2, 2);
            else
                r = l;
            left = l;
            right = r;
        }
        if (outChannels == 1) {
            mix[i] += (left + right) * 0.5f * gain;
        } else {
            mix[i * outChannels] += left * gain;
            mix[i * outChannels + 1] += right * gain;
        }
        ++frame;
        ++consumed;
    }
    if (!m_looping && frame >= m_frames)
        *ended = true;
    m_pos = frame % m_frames;
    return consumed;
}

bool MixSecondaryBuffer::EnsureConverter(int outChannels, int outRate) {
    if (m_converter && m_converterRate == outRate && m_converterChannels == outChannels)
        return true;
    DropConverter();
    if (!Sdl().loaded)  // the server's output runs without SDL; its resampler is SDL's
        return false;
    m_converter = Sdl().NewAudioStream(m_format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS,
                                       static_cast<Uint8>(m_format.nChannels),
                                       static_cast<int>(m_format.nSamplesPerSec), AUDIO_F32SYS,
                                       static_cast<Uint8>(outChannels), outRate);
    m_converterRate = outRate;
    m_converterChannels = outChannels;
    if (!m_converter)
        return false;
    // SDL's stream starts its resampling clock afresh with every piece it is given and
    // drops the fraction of an output frame left at the end, which would be a tiny jump in
    // time (heard as a buzz) at every piece. It stays exact when each piece is a whole
    // number of periods of the two rates (160 frames of 48000 Hz are 147 of 44100 Hz) and
    // longer than the reach of its filter (512 frames of the slower side each way).
    const uint64_t srcRate = m_format.nSamplesPerSec;
    const uint64_t period = srcRate / std::gcd(srcRate, static_cast<uint64_t>(outRate));
    const uint64_t reach = 2 * 512 * std::max<uint64_t>(1, srcRate / outRate + 1);
    uint64_t frames = (reach + period - 1) / period * period;
    if (frames > kMaxConvertFrames)
        frames = std::max(reach, kMaxConvertFrames - kMaxConvertFrames % period);
    m_pieceFrames = static_cast<size_t>(std::min(frames, kMaxConvertFrames));
    m_piece.resize(m_pieceFrames * m_format.nBlockAlign);
    return true;
}

void MixSecondaryBuffer::DropConverter() {
    if (m_converter)
        Sdl().FreeAudioStream(m_converter);
    m_converter = nullptr;
    m_sourceDone = false;
}

uint64_t MixSecondaryBuffer::MixConverted(float* mix, int frames, int outChannels, int outRate,
                                          float gain, bool* ended) {
    if (!EnsureConverter(outChannels, outRate)) {
        // Without a converter the buffer cannot be heard; it still runs, so whoever
        // waits for its notifications is not left waiting.
        return MixSameRate(mix, frames, outChannels, 0.0f, ended);
    }
    const int outFrameBytes = outChannels * static_cast<int>(sizeof(float));
    const int wanted = frames * outFrameBytes;
    const size_t align = m_format.nBlockAlign;
    uint64_t frame = m_pos;
    uint64_t consumed = 0;
    // Feed whole pieces from the ring until the converter holds this callback's output; a
    // one-shot buffer's last piece may be short, and the converter is then emptied out.
    while (!m_sourceDone && Sdl().AudioStreamAvailable(m_converter) < wanted) {
        size_t filled = 0;
        while (filled < m_pieceFrames) {
            if (frame >= m_frames) {
                if (!m_looping)
                    break;
                frame = 0;
            }
            const size_t n =
                static_cast<size_t>(std::min<uint64_t>(m_pieceFrames - filled, m_frames - frame));
            std::memcpy(m_piece.data() + filled * align, m_data.data() + frame * align, n * align);
            filled += n;
            frame += n;
        }
        consumed += filled;
        if (filled > 0 && Sdl().AudioStreamPut(m_converter, m_piece.data(),
                                               static_cast<int>(filled * align)) != 0)
            break;
        if (filled < m_pieceFrames) {
            m_sourceDone = true;
            Sdl().AudioStreamFlush(m_converter);
        }
    }
    m_pos = frame % m_frames;

    const size_t samples = static_cast<size_t>(frames) * outChannels;
    if (m_converted.size() < samples)
        m_converted.resize(samples);
    const int got = std::max(0, Sdl().AudioStreamGet(m_converter, m_converted.data(), wanted));
    // The converter speaks in full scale 1.0; the mix in 16-bit sample units.
    const float scale = 32768.0f * gain;
    const size_t gotSamples = static_cast<size_t>(got) / sizeof(float);
    for (size_t i = 0; i < gotSamples; ++i) mix[i] += m_converted[i] * scale;
    if (m_sourceDone && Sdl().AudioStreamAvailable(m_converter) == 0)
        *ended = true;
    return consumed;
}

void MixSecondaryBuffer::FireNotificationsLocked(uint64_t oldByte, uint64_t travelled) {
    const uint64_t size = m_data.size();
    // Events in the order the cursor meets their offsets; an offset the cursor stands on
    // belongs to the next lap.
    struct Due {
        uint64_t distance;
        Event* event;
    };
    Due due[64];
    size_t dueCount = 0;
    std::vector<Due> many;
    for (const DSBPOSITIONNOTIFY& n : m_notify) {
        if (n.dwOffset == DSBPN_OFFSETSTOP || !n.hEventNotify)
            continue;
        uint64_t d = (n.dwOffset + size - oldByte) % size;
        if (d == 0)
            d = size;
        if (d <= travelled) {
            if (dueCount < 64)
                due[dueCount++] = {d, n.hEventNotify};
            else
                many.push_back({d, n.hEventNotify});
        }
    }
    if (!many.empty()) {
        many.insert(many.begin(), due, due + dueCount);
        std::stable_sort(many.begin(), many.end(),
                         [](const Due& a, const Due& b) { return a.distance < b.distance; });
        for (const Due& d : many) d.event->Set();
    } else {
        std::stable_sort(due, due + dueCount,
                         [](const Due& a, const Due& b) { return a.distance < b.distance; });
        for (size_t i = 0; i < dueCount; ++i) due[i].event->Set();
    }
}

// The sound server's own stream, where it is PulseAudio (or PipeWire's pulse server) and
// SDL is not told to use another driver; SDL's otherwise.
std::unique_ptr<MixOutput> MakeOutput() {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (!driver || !*driver || std::strcmp(driver, "pulseaudio") == 0) {
        if (std::unique_ptr<MixOutput> server = PulseOutput::Connect(kProgramName, kServerBound)) {
            // SDL's resampler still converts buffers of other rates: loaded now, not on the
            // output's thread in the middle of a sound.
            Sdl();
            return server;
        }
    }
    if (!Sdl().loaded)
        return nullptr;
    // Qt owns the process's signals; SDL must not take SIGINT/SIGTERM from it.
    Sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The desktop's mixer lists the output under the program's name, not "Audio Stream".
    // By their names: an older SDL ignores hints it does not know.
    Sdl().SetHint("SDL_APP_NAME", kProgramName);
    Sdl().SetHint("SDL_AUDIO_DEVICE_APP_NAME", kProgramName);
    Sdl().SetHint("SDL_AUDIO_DEVICE_STREAM_NAME", kProgramName);
    if (Sdl().InitSubSystem(SDL_INIT_AUDIO) != 0) {
        qWarning("platform: no sound output: %s", Sdl().GetError());
        return nullptr;
    }
    std::unique_ptr<MixOutput> sdl(new (std::nothrow) SdlOutput());
    if (!sdl)
        Sdl().QuitSubSystem(SDL_INIT_AUDIO);
    return sdl;
}

}  // namespace

float LinearGainFromHundredthsDb(LONG hundredthsDb) {
    if (hundredthsDb <= DSBVOLUME_MIN)
        return 0.0f;
    if (hundredthsDb >= 0)
        return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer) {
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (device)
        return DSERR_NODRIVER;  // only the default device exists
    return CreateMixingDevice(MakeOutput(), out);
}

HRESULT CreateMixingDevice(std::unique_ptr<MixOutput> output, IDirectSound8** out) {
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!output)
        return DSERR_NODRIVER;
    MixDevice* d = new (std::nothrow) MixDevice(std::move(output));
    if (!d)
        return DSERR_OUTOFMEMORY;
    *out = d;
    return S_OK;
}
