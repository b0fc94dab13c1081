// The sound renderer of a playback graph: a bin named "DirectSound" that converts and
// resamples before the sound output. Through the sound server the output's own stream
// volume is the program's volume; otherwise a volume element applies it (and a
// synchronised fake output stands in when VELTRA_FAKE_AUDIO is set, so headless runs keep
// real timing). The server output is the one chosen in the menu (platform/sound_output.h)
// unless VELTRA_SOUND_DEVICE names another.
#pragma once

typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;

constexpr const char* kSoundRendererName = "DirectSound";
// The bin's element with the "volume" property, found by this name.
constexpr const char* kSoundVolumeName = "volume";

// A floating bin, or null when an element is missing. title: the item's path or name,
// shown by the desktop's mixer. A joinable renderer takes each following item through an
// input of its own and goes on from one input to the next at the sample, in the same
// output stream, so a list plays without a break between its items.
GstElement* MakeSoundRenderer(const char* title = nullptr, bool joinable = false);
// Names the renderer's output stream after a new item (a file name is cut to its last part),
// for an item that follows in the same stream.
void RetitleSoundRenderer(GstElement* renderer, const char* title);

// The joining element of a joinable renderer (no reference taken), else null.
GstElement* JoinOf(GstElement* renderer);

// A new input of a joinable renderer, active, owned by the renderer; null when it is not
// joinable. Safe on a streaming thread. *joinPad receives the joining element's own pad
// behind it (no reference taken), the one that element reports as active.
GstPad* AddJoinInput(GstElement* renderer, GstPad** joinPad);

// Takes an input out of a joinable renderer once nothing flows through it any more.
void RemoveJoinInput(GstElement* renderer, GstPad* input);
