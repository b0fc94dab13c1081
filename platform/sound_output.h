// The output both engines open their sound on, and the title their next stream carries,
// for the whole process. The main window sets them; the graph's sound renderer and the SDL
// device read them (the SDL device on tunewell's worker thread) when they open a stream.
#pragma once

#include <string>

#include "platform/output_device.h"

// The output a new stream goes to; the server's default when none was set. While a stored
// choice is still being looked for (ExpectSoundOutput), waits up to a couple of seconds
// for SetSoundOutput, so the first item at start goes where the user chose.
OutputDevice CurrentSoundOutput();
void SetSoundOutput(const OutputDevice& device);
// A stored choice is being looked up among the server's outputs: CurrentSoundOutput waits
// for the answer (bounded).
void ExpectSoundOutput();

// The title the desktop's mixer shows for the next stream (the item's name); empty: the
// program's name.
std::string SoundStreamTitle();
void SetSoundStreamTitle(const std::string& title);
