#include "platform/mix_secondary_buffer.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/mix_device.h"
#include "platform/sdl_sound.h"

namespace mixing {

namespace {

// Longest piece of a buffer handed to the rate converter at once (about 0.2 s at 44100 Hz);
// only rates without a short common period with the output's come near it.
constexpr uint64_t kMaxConvertFrames = 8192;

}  // namespace

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

}  // namespace mixing
