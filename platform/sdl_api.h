// The SDL audio calls the sound device uses, looked up in SDL2 on first use.
#pragma once

#include <SDL.h>

namespace mixing {

// SDL and the sound libraries it pulls in are loaded when the first device is made, not
// at program start: most starts never play a sound before the window is up.
struct SdlApi {
    bool loaded = false;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&SDL_GetError) GetError = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_SetHint) SetHint = nullptr;
    // Rate and channel conversion of buffers whose format differs from the output's.
    decltype(&SDL_NewAudioStream) NewAudioStream = nullptr;
    decltype(&SDL_AudioStreamPut) AudioStreamPut = nullptr;
    decltype(&SDL_AudioStreamGet) AudioStreamGet = nullptr;
    decltype(&SDL_AudioStreamAvailable) AudioStreamAvailable = nullptr;
    decltype(&SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
    decltype(&SDL_AudioStreamClear) AudioStreamClear = nullptr;
    decltype(&SDL_FreeAudioStream) FreeAudioStream = nullptr;
    // The outputs by name, to open the one the user chose.
    decltype(&SDL_GetNumAudioDevices) GetNumAudioDevices = nullptr;
    decltype(&SDL_GetAudioDeviceName) GetAudioDeviceName = nullptr;
};

// Loaded on the first call, kept for the life of the process; `loaded` is false when SDL2
// or one of its audio calls is missing.
const SdlApi& Sdl();

}  // namespace mixing
