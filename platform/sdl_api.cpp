#include "platform/sdl_api.h"

#include <dlfcn.h>

#include <QtDebug>
#include <type_traits>

namespace mixing {

const SdlApi& Sdl() {
    static const SdlApi api = [] {
        SdlApi a;
        void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            qWarning("platform: cannot load SDL2: %s", dlerror());
            return a;
        }
        // Kept loaded for the life of the process: its audio thread may outlive any one
        // device.
        auto get = [lib](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            return fn != nullptr;
        };
        a.loaded = get(a.CloseAudioDevice, "SDL_CloseAudioDevice") &&
                   get(a.GetError, "SDL_GetError") && get(a.InitSubSystem, "SDL_InitSubSystem") &&
                   get(a.OpenAudioDevice, "SDL_OpenAudioDevice") &&
                   get(a.PauseAudioDevice, "SDL_PauseAudioDevice") &&
                   get(a.QuitSubSystem, "SDL_QuitSubSystem") && get(a.SetHint, "SDL_SetHint") &&
                   get(a.NewAudioStream, "SDL_NewAudioStream") &&
                   get(a.AudioStreamPut, "SDL_AudioStreamPut") &&
                   get(a.AudioStreamGet, "SDL_AudioStreamGet") &&
                   get(a.AudioStreamAvailable, "SDL_AudioStreamAvailable") &&
                   get(a.AudioStreamFlush, "SDL_AudioStreamFlush") &&
                   get(a.AudioStreamClear, "SDL_AudioStreamClear") &&
                   get(a.FreeAudioStream, "SDL_FreeAudioStream") &&
                   get(a.GetNumAudioDevices, "SDL_GetNumAudioDevices") &&
                   get(a.GetAudioDeviceName, "SDL_GetAudioDeviceName");
        if (!a.loaded)
            qWarning("platform: SDL2 lacks the audio calls");
        return a;
    }();
    return api;
}

}  // namespace mixing
