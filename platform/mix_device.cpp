#include "platform/mix_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/mix_primary_buffer.h"
#include "platform/mix_secondary_buffer.h"
#include "platform/sdl_sound.h"
#include "platform/sound_output.h"

namespace mixing {

namespace {

constexpr DWORD kDescSizeWindows = 36;
constexpr DWORD kMinBufferBytes = 4;
constexpr DWORD kMaxBufferBytes = 0x0FFFFFFF;
// Longer than any step from one item to the next.
constexpr auto kQuietBeforeRenaming = std::chrono::seconds(1);

std::string StreamTitle() {
    const std::string title = SoundStreamTitle();
    return title.empty() ? std::string(kMixProgramName) : title;
}

}  // namespace

bool IsSame(REFIID a, const IID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool IsPlayablePcm(const WAVEFORMATEX* f) {
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec >= 100 &&
           f->nSamplesPerSec <= 384000 && f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

WAVEFORMATEX DefaultMixFormat() {
    return Pcm16Format(44100, 2);
}

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
        m_mix.assign(static_cast<size_t>(kMixCallbackFrames) * f.nChannels * 4, 0.0f);
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

}  // namespace mixing
