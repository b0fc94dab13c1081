// The WAV writer element comes from the wavsink plug-in, reached only through COM by its
// class identifier.
#pragma once

#include <string>

#include "platform/com.h"
#include "wavsink/wave_dest_volume.h"

typedef struct _GstElement GstElement;

// Starts registering the plug-in on a worker thread, so that a first WAV cut finds it done.
void PrepareWaveDest();

// Makes sure the plug-in is registered (once per process; waits for the registration
// PrepareWaveDest started, or runs it), creates the filter, applies the volume in percent and
// returns its element with one (non-floating) reference for the caller, named "WaveDestEx". On
// failure null, with the reason in *hr. *filterPath receives the plug-in's path.
GstElement* CreateWaveDestElement(int volumePercent, std::string* filterPath, HRESULT* hr);
