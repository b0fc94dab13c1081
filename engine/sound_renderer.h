// The sound renderer of a playback graph: a bin named "DirectSound" that converts, resamples
// and applies the volume before the sound output (a synchronised fake output when
// VELTRA_FAKE_AUDIO is set, so headless runs keep real timing).
#pragma once

typedef struct _GstElement GstElement;

constexpr const char* kSoundRendererName = "DirectSound";
// The bin's volume element, found by this name.
constexpr const char* kSoundVolumeName = "volume";

// A floating bin, or null when an element is missing.
GstElement* MakeSoundRenderer();
