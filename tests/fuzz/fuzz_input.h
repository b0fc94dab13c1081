// Splits one fuzz input into the pieces a target needs: a few small numbers from the
// front, then NUL-separated texts, then whatever is left as raw bytes. Every input maps
// to some call, so the fuzzer never wastes runs on inputs a target rejects outright.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class Input {
  public:
    Input(const uint8_t* data, std::size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), size) {}

    uint8_t Byte() {
        if (m_pos >= m_bytes.size())
            return 0;
        return static_cast<uint8_t>(m_bytes[m_pos++]);
    }
    unsigned Number(unsigned bytes) {
        unsigned n = 0;
        for (unsigned i = 0; i < bytes; ++i) n = n << 8 | Byte();
        return n;
    }
    // The text up to the next NUL (which is consumed), or the rest.
    std::string Text() {
        const std::size_t end = m_bytes.find('\0', m_pos);
        const std::size_t stop = end == std::string::npos ? m_bytes.size() : end;
        std::string text = m_bytes.substr(m_pos, stop - m_pos);
        m_pos = end == std::string::npos ? m_bytes.size() : end + 1;
        return text;
    }
    std::string Rest() {
        std::string rest = m_bytes.substr(m_pos < m_bytes.size() ? m_pos : m_bytes.size());
        m_pos = m_bytes.size();
        return rest;
    }

  private:
    std::string m_bytes;
    std::size_t m_pos = 0;
};

// A folder of its own for one fuzz process, removed by nobody: the targets keep their
// files small and overwrite them on every run.
std::string ScratchFolder(const char* tag);
// Writes bytes to path whole; aborts when it cannot (the run would prove nothing).
void WriteFileOrDie(const std::string& path, const std::string& bytes);
std::string ReadFileOrEmpty(const std::string& path);
// Removes a folder tree below root (used between runs).
void RemoveTree(const std::string& root);

}  // namespace fuzz

// Stops the run with a readable reason; the fuzzer records the input as a crash.
#define FUZZ_CHECK(condition)                             \
    do {                                                  \
        if (!(condition))                                 \
            ::fuzz::Fail(__FILE__, __LINE__, #condition); \
    } while (0)

namespace fuzz {
[[noreturn]] void Fail(const char* file, int line, const char* what);
}
