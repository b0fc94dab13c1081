// The WAV writer element comes from the wavsink plug-in, reached only through COM by its
// class identifier.
#pragma once

#include <string>

#include "platform/com.h"
#include "wavsink/wave_dest_volume.h"

typedef struct _GstElement GstElement;

// Makes sure the plug-in is registered (once per process, waiting a bounded time for the
// registration to appear), creates the filter, applies the volume in percent and returns
// its element with one (non-floating) reference for the caller, named "WaveDestEx". On failure
// null, with the reason in *hr. *filterPath receives the plug-in's path.
GstElement* CreateWaveDestElement(int volumePercent, std::string* filterPath, HRESULT* hr);
