// Sound-quality measurements for captured output: what SDL's "disk" driver writes, and how
// far a captured tone is from a pure one.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace tonetest {

// Residual power after the best-fitting sinusoid of the given frequency (and any DC offset)
// is taken out, relative to that sinusoid's power, in dB: an exact notch at the tone.
// Everything the sound path added (harmonics, images of a poor rate conversion, noise)
// stays in the residual. Negative: the residual is that far below the tone.
inline double DistortionDb(const std::vector<double>& x, double rate, double freq) {
    // Least squares for a*cos + b*sin + c through the 3x3 normal equations.
    double m[3][4] = {};
    const double w = 2.0 * M_PI * freq / rate;
    for (size_t n = 0; n < x.size(); ++n) {
        const double basis[3] = {std::cos(w * double(n)), std::sin(w * double(n)), 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += basis[i] * basis[j];
            m[i][3] += basis[i] * x[n];
        }
    }
    for (int col = 0; col < 3; ++col) {  // Gauss-Jordan; the matrix is well conditioned
        for (int row = 0; row < 3; ++row) {
            if (row == col)
                continue;
            const double f = m[row][col] / m[col][col];
            for (int k = col; k < 4; ++k) m[row][k] -= f * m[col][k];
        }
    }
    const double a = m[0][3] / m[0][0], b = m[1][3] / m[1][1], c = m[2][3] / m[2][2];
    double tone = 0, residual = 0;
    for (size_t n = 0; n < x.size(); ++n) {
        const double fit = a * std::cos(w * double(n)) + b * std::sin(w * double(n));
        tone += fit * fit;
        const double r = x[n] - fit - c;
        residual += r * r;
    }
    if (tone <= 0)
        return 0.0;
    return 10.0 * std::log10(std::max(residual, 1e-300) / tone);
}

// One channel of interleaved 16-bit samples, from frame `from` for `count` frames.
inline std::vector<double> Channel(const std::vector<int16_t>& interleaved, int channels,
                                   int channel, size_t from, size_t count) {
    std::vector<double> out;
    for (size_t i = from; i < from + count && i * channels + channel < interleaved.size(); ++i)
        out.push_back(interleaved[i * channels + channel]);
    return out;
}

inline std::vector<int16_t> ReadRawS16(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            int16_t(uint16_t(uint8_t(bytes[2 * i])) | uint16_t(uint8_t(bytes[2 * i + 1])) << 8);
    return samples;
}

// Switches SDL to its "disk" driver, which writes what it would play to a raw file, for the
// life of this object; the earlier settings come back afterwards. SDL reads them when its
// audio part starts, i.e. when a sound device is created.
class DiskCapture {
  public:
    explicit DiskCapture(std::string path) : m_path(std::move(path)) {
        Save("SDL_AUDIODRIVER", m_driver);
        Save("SDL_DISKAUDIOFILE", m_file);
        std::remove(m_path.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_path.c_str(), 1);
    }
    ~DiskCapture() {
        Restore("SDL_AUDIODRIVER", m_driver);
        Restore("SDL_DISKAUDIOFILE", m_file);
        std::remove(m_path.c_str());
    }
    std::vector<int16_t> Samples() const { return ReadRawS16(m_path); }

  private:
    static void Save(const char* name, std::optional<std::string>& into) {
        if (const char* v = std::getenv(name))
            into = v;
    }
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    std::string m_path;
    std::optional<std::string> m_driver, m_file;
};

}  // namespace tonetest
