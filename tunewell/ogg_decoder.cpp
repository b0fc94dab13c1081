#include "tunewell/ogg_decoder.h"

#include <sys/types.h>

#include <cstdio>
#include <cstring>

namespace {

// libvorbisfile reads through these, so the stream is an ordinary buffered file.
size_t ReadFile(void* ptr, size_t size, size_t count, void* source) {
    return std::fread(ptr, size, count, static_cast<FILE*>(source));
}

int SeekFile(void* source, ogg_int64_t offset, int whence) {
    return fseeko(static_cast<FILE*>(source), static_cast<off_t>(offset), whence);
}

int CloseFile(void* source) {
    return std::fclose(static_cast<FILE*>(source));
}

long TellFile(void* source) {
    return static_cast<long>(ftello(static_cast<FILE*>(source)));
}

const ov_callbacks kFileCallbacks = {ReadFile, SeekFile, CloseFile, TellFile};

}  // namespace

OggDecoder::OggDecoder() {
    std::memset(&m_vf, 0, sizeof(m_vf));
}

OggDecoder::~OggDecoder() {
    Clear();
}

bool OggDecoder::Open(const char* path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bOpen) {
        ov_clear(&m_vf);
        m_bOpen = false;
    }
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    if (ov_open_callbacks(file, &m_vf, nullptr, 0, kFileCallbacks) < 0) {
        // A failed open leaves the file to us.
        std::fclose(file);
        std::memset(&m_vf, 0, sizeof(m_vf));
        return false;
    }
    const vorbis_info* info = ov_info(&m_vf, -1);
    if (!info || info->channels <= 0 || info->channels > 255 || info->rate <= 0) {
        ov_clear(&m_vf);
        return false;
    }
    m_bOpen = true;
    return true;
}

void OggDecoder::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bOpen) {
        ov_clear(&m_vf);
        m_bOpen = false;
    }
}

bool OggDecoder::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bOpen;
}

bool OggDecoder::Format(WAVEFORMATEX* format) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bOpen)
        return false;
    const vorbis_info* info = ov_info(const_cast<OggVorbis_File*>(&m_vf), -1);
    if (!info)
        return false;
    *format = Pcm16Format(static_cast<DWORD>(info->rate), static_cast<WORD>(info->channels));
    return true;
}

double OggDecoder::TimeTotal() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bOpen)
        return 0.0;
    double total = ov_time_total(&m_vf, -1);
    return total < 0 ? 0.0 : total;
}

long OggDecoder::Read(char* buffer, int bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bOpen)
        return OV_EINVAL;
    int section = 0;
    return ov_read(&m_vf, buffer, bytes, 0, 2, 1, &section);
}

int OggDecoder::PcmSeek(int64_t sample) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bOpen ? ov_pcm_seek(&m_vf, sample) : OV_EINVAL;
}

int OggDecoder::TimeSeek(double seconds) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bOpen ? ov_time_seek(&m_vf, seconds) : OV_EINVAL;
}
