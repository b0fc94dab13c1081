// The sound renderer of a playback graph: a bin named "DirectSound" that converts and
// resamples before the sound output. Through the sound server the output's own stream
// volume is the program's volume; otherwise a volume element applies it (and a
// synchronised fake output stands in when VELTRA_FAKE_AUDIO is set, so headless runs keep
// real timing). The server output is the one chosen in the menu (platform/sound_output.h)
// unless VELTRA_SOUND_DEVICE names another.
#pragma once

typedef struct _GstElement GstElement;

constexpr const char* kSoundRendererName = "DirectSound";
// The bin's element with the "volume" property, found by this name.
constexpr const char* kSoundVolumeName = "volume";

// A floating bin, or null when an element is missing. title: the item's path or name,
// shown by the desktop's mixer.
GstElement* MakeSoundRenderer(const char* title = nullptr);
