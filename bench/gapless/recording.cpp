#include "bench/gapless/recording.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace gapless {

namespace {

constexpr size_t kWindow = kRate / 1000;  // 1 ms
constexpr size_t kBlock = kRate / 100;    // 10 ms
// Below -50 dB of full scale a window counts as silence: the quietest tone here is
// 30 dB above that, and the null sink adds no noise.
constexpr int kSilence = 100;

}  // namespace

Recording Recording::FromRawFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<short> left(bytes.size() / 4);
    for (size_t i = 0; i < left.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[4 * i]);
        const auto hi = static_cast<unsigned char>(bytes[4 * i + 1]);
        left[i] = static_cast<short>(lo | (hi << 8));
    }
    return Recording(std::move(left));
}

bool Recording::Silent(size_t window) const {
    const size_t end = std::min(m_samples.size(), (window + 1) * kWindow);
    for (size_t i = window * kWindow; i < end; ++i)
        if (std::abs(m_samples[i]) >= kSilence)
            return false;
    return true;
}

double Recording::FirstSound() const {
    for (size_t w = 0; w * kWindow < m_samples.size(); ++w)
        if (!Silent(w))
            return static_cast<double>(w * kWindow) / kRate;
    return -1;
}

std::vector<int> Recording::Blocks(const std::vector<double>& frequencies) const {
    std::vector<int> blocks(m_samples.size() / kBlock, -1);
    for (size_t b = 0; b < blocks.size(); ++b) {
        int loud = 0, crossings = 0;
        for (size_t w = b * (kBlock / kWindow); w < (b + 1) * (kBlock / kWindow); ++w)
            loud += Silent(w) ? 0 : 1;
        if (loud * 2 <= static_cast<int>(kBlock / kWindow))
            continue;
        for (size_t i = b * kBlock + 1; i < (b + 1) * kBlock; ++i)
            crossings += (m_samples[i - 1] < 0) != (m_samples[i] < 0) ? 1 : 0;
        // A tone of f Hz crosses zero 2 f times a second.
        const double heard = crossings / (2.0 * kBlock / kRate);
        int best = -1;
        double bestDistance = 1e9;
        for (size_t k = 0; k < frequencies.size(); ++k) {
            const double d = std::abs(heard - frequencies[k]);
            if (d < bestDistance)
                best = static_cast<int>(k), bestDistance = d;
        }
        // Clicks and half-silent blocks match no tone closely.
        if (bestDistance < frequencies[static_cast<size_t>(best)] * 0.12)
            blocks[b] = best;
    }
    return blocks;
}

double Recording::LevelAround(double seconds) const {
    const auto centre = static_cast<long>(seconds * kRate);
    const long from = std::max(0L, centre - kRate / 2);
    const long to = std::min(static_cast<long>(m_samples.size()), centre + kRate / 2);
    double sum = 0;
    for (long i = from; i < to; ++i) sum += static_cast<double>(m_samples[i]) * m_samples[i];
    if (to <= from || sum <= 0)
        return -200;
    return 20 * std::log10(std::sqrt(sum / static_cast<double>(to - from)) / 32768.0);
}

std::vector<HeardItem> Recording::Items(const std::vector<double>& frequencies) const {
    const std::vector<int> blocks = Blocks(frequencies);
    std::vector<HeardItem> items(frequencies.size());
    for (size_t k = 0; k < items.size(); ++k) {
        std::vector<size_t> mine;
        for (size_t b = 0; b < blocks.size(); ++b)
            if (blocks[b] == static_cast<int>(k))
                mine.push_back(b);
        // A few stray blocks are not the item.
        if (mine.size() < 50)
            continue;
        items[k].found = true;
        items[k].middle = static_cast<double>(mine[mine.size() / 2] * kBlock + kBlock / 2) / kRate;
        items[k].levelDb = LevelAround(items[k].middle);
    }
    for (size_t k = 1; k < items.size(); ++k) {
        if (!items[k - 1].found || !items[k].found)
            continue;
        // Within a tone no millisecond is silent: all silence between the two middles
        // lies between the items.
        size_t silent = 0;
        const auto from = static_cast<size_t>(items[k - 1].middle * 1000);
        const auto to = static_cast<size_t>(items[k].middle * 1000);
        for (size_t w = from; w < to; ++w) silent += Silent(w) ? 1 : 0;
        items[k].gapBefore = static_cast<double>(silent);
    }
    return items;
}

double Recording::FirstOf(double frequency, const std::vector<double>& frequencies,
                          double from) const {
    const std::vector<int> blocks = Blocks(frequencies);
    int wanted = -1;
    for (size_t k = 0; k < frequencies.size(); ++k)
        if (frequencies[k] == frequency)
            wanted = static_cast<int>(k);
    const auto first = static_cast<size_t>(std::max(0.0, from) * kRate / kBlock);
    // Two blocks in a row, so that one misread block does not count.
    for (size_t b = first; b + 1 < blocks.size(); ++b)
        if (blocks[b] == wanted && blocks[b + 1] == wanted)
            return static_cast<double>(b * kBlock) / kRate;
    return -1;
}

}  // namespace gapless
