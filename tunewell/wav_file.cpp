#include "tunewell/wav_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::atomic<unsigned> g_asideCounter{0};

}  // namespace

void BuildWavHeader(const WAVEFORMATEX& format, uint32_t dataBytes, uint8_t out[kWavHeaderBytes]) {
    std::memcpy(out, "RIFF", 4);
    Put32(out + 4, dataBytes + (kWavHeaderBytes - 8));
    std::memcpy(out + 8, "WAVE", 4);
    std::memcpy(out + 12, "fmt ", 4);
    Put32(out + 16, 18);
    Put16(out + 20, WAVE_FORMAT_PCM);
    Put16(out + 22, format.nChannels);
    Put32(out + 24, format.nSamplesPerSec);
    Put32(out + 28, format.nAvgBytesPerSec);
    Put16(out + 32, format.nBlockAlign);
    Put16(out + 34, 16);
    Put16(out + 36, 0);
    std::memcpy(out + 38, "data", 4);
    Put32(out + 42, dataBytes);
}

void ScaleSamples(uint8_t* pcm, uint32_t bytes, int volumePercent) {
    // The factor is formed once, from the double 0.01, in extended precision.
    const long double factor =
        static_cast<long double>(volumePercent) * static_cast<long double>(0.01);
    for (uint32_t i = 0; i + 1 < bytes; i += 2) {
        int16_t sample = static_cast<int16_t>(pcm[i] | (pcm[i + 1] << 8));
        long double scaled = std::trunc(factor * sample);
        int32_t v = scaled > 32767.0L    ? 32767
                    : scaled < -32768.0L ? -32768
                                         : static_cast<int32_t>(scaled);
        pcm[i] = static_cast<uint8_t>(v & 0xFF);
        pcm[i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
}

bool WavFileWriter::Create(const std::string& path) {
    Discard();
    struct stat st {};
    if (path.empty() || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        return false;
    for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof(suffix), ".%d-%u.part", static_cast<int>(getpid()),
                      g_asideCounter.fetch_add(1));
        m_aside = path + suffix;
        m_fd = open(m_aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_aside.clear();
        return false;
    }
    m_target = path;
    m_bFailed = false;
    m_offset = kWavHeaderBytes;
    return true;
}

bool WavFileWriter::WriteAt(const uint8_t* data, uint32_t bytes, int64_t offset) {
    while (bytes > 0) {
        ssize_t n = pwrite(m_fd, data, bytes, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        bytes -= static_cast<uint32_t>(n);
        offset += n;
    }
    return true;
}

bool WavFileWriter::Write(const uint8_t* data, uint32_t bytes) {
    if (m_fd < 0 || m_bFailed)
        return false;
    if (!WriteAt(data, bytes, m_offset)) {
        m_bFailed = true;
        return false;
    }
    m_offset += bytes;
    return true;
}

bool WavFileWriter::Finish(const WAVEFORMATEX& format, uint32_t dataBytes) {
    if (m_fd < 0)
        return false;
    uint8_t header[kWavHeaderBytes];
    BuildWavHeader(format, dataBytes, header);
    bool ok = !m_bFailed && WriteAt(header, kWavHeaderBytes, 0);
    // On the disk before the name says the file is complete.
    ok = ok && fsync(m_fd) == 0;
    ok = (close(m_fd) == 0) && ok;
    m_fd = -1;
    if (ok && std::rename(m_aside.c_str(), m_target.c_str()) == 0) {
        m_aside.clear();
        return true;
    }
    Discard();
    return false;
}

void WavFileWriter::Discard() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_aside.empty()) {
        unlink(m_aside.c_str());
        m_aside.clear();
    }
}
