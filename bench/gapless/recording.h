// What a recording of the sink's monitor says: where each tone of a list is heard, the
// silence before it, and how loud it is. Tones are told apart by their pitch, so an item
// that follows the one before it without any silence is still found.
#pragma once

#include <string>
#include <vector>

namespace gapless {

constexpr int kRate = 44100;

struct HeardItem {
    bool found = false;
    double middle = 0;      // seconds into the recording
    double gapBefore = -1;  // ms of silence since the item before (the first: none)
    double levelDb = 0;     // RMS over the item's middle second, dB of full scale
};

class Recording {
  public:
    // 16-bit stereo at kRate; the left channel is analysed.
    static Recording FromRawFile(const std::string& path);
    explicit Recording(std::vector<short> mono) : m_samples(std::move(mono)) {}

    double Seconds() const { return static_cast<double>(m_samples.size()) / kRate; }
    // Seconds to the first sound; negative when the recording is silent throughout.
    double FirstSound() const;
    // Each of the tones (by frequency, in the order played), where and how it was heard.
    std::vector<HeardItem> Items(const std::vector<double>& frequencies) const;
    // Seconds into the recording where `frequency` (one of `frequencies`) is first heard
    // at or after `from`; negative when it is not.
    double FirstOf(double frequency, const std::vector<double>& frequencies, double from) const;

  private:
    // The index into frequencies of the tone heard in each 10-ms block; -1 for silence.
    std::vector<int> Blocks(const std::vector<double>& frequencies) const;
    bool Silent(size_t window) const;  // a 1-ms window
    double LevelAround(double seconds) const;

    std::vector<short> m_samples;
};

}  // namespace gapless
