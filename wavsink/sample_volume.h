// The volume of WAV output: every signed 16-bit sample s becomes volume x s / 100,
// truncated toward zero and limited to -32768..32767, exactly as integer arithmetic
// gives it, at the speed of a plain copy.
#pragma once

#include <cstddef>
#include <cstdint>

// The rule for one sample.
inline int16_t ScaledSample(int16_t sample, int volume) {
    long v = static_cast<long>(volume) * sample / 100;
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

// Scales count samples in place; data may start at any address (a sub-buffer of a larger
// block can begin at an odd one).
void ScaleSamplesS16(uint8_t* data, size_t count, int volume);

// The same through lanes of the given width in bits (128 or 256), the rest and any
// volume the lanes do not take sample by sample; false when this processor lacks them.
bool ScaleSamplesS16Using(int laneBits, uint8_t* data, size_t count, int volume);
