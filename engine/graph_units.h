// Units of the graph's time: tenths of a second cross the MediaGraph interface, 100-ns
// media time is kept inside, GStreamer counts nanoseconds.
#pragma once

#include <cstdint>

constexpr int64_t kUnitsPerTenth = 1000000;  // 100-ns media time per tenth of a second

inline int64_t NsToUnits(int64_t ns) {
    return ns / 100;
}
inline int64_t UnitsToNs(int64_t units) {
    return units * 100;
}
