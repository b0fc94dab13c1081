// The element's instance: its own code, and checks that must place a stream where pushing
// the bytes would take too long (near the 4 GiB limit), reach its fields.
#pragma once

#include <glib.h>

#include <atomic>
#include <cstdint>

#include "platform/dsound.h"
#include "wavsink/wave_dest_ex.h"

struct _GstWaveDestEx {
    GstBaseTransform parent;

    // Set with the input format.
    WAVEFORMATEX format;
    gboolean have_format;
    int bytes_per_sample;
    int sample_max;
    int sample_min;
    gboolean integer_samples;

    // The streaming thread tests for 100 without the lock, as the volume rarely changes
    // while a stream runs; the value used for scaling is read under it.
    GMutex volume_lock;
    std::atomic<int> volume;

    uint32_t data_bytes;
    uint32_t header_bytes;
    gboolean placeholder_sent;
    GstPadChainFunction base_chain;
};
