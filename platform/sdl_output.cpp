#include "platform/sdl_output.h"

#include <QtDebug>
#include <algorithm>
#include <new>

namespace mixing {

namespace {

// SDL names the sound server's outputs by their descriptions; the default has no name.
// An output that is not there, or one SDL cannot tell from another, opens the default.
std::string SdlOutputName(const OutputDevice& output) {
    if (output.IsDefault() || output.description.empty())
        return {};
    int matches = 0;
    const int count = Sdl().GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = Sdl().GetAudioDeviceName(i, 0);
        matches += name && output.description == name;
    }
    return matches == 1 ? output.description : std::string();
}

}  // namespace

bool SdlOutput::Open(const WAVEFORMATEX& format, const OutputDevice& output,
                     const std::string& title, MixSource& source) {
    Close();
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.nSamplesPerSec);
    want.format = format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format.nChannels);
    want.samples = kMixCallbackFrames;
    want.callback = &SdlOutput::Callback;
    want.userdata = &source;
    SDL_AudioSpec got{};
    Sdl().SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, title.c_str());
    const std::string name = SdlOutputName(output);
    // No changes allowed: SDL converts to what the hardware wants, our mix stays simple.
    SDL_AudioDeviceID id =
        Sdl().OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &want, &got, 0);
    if (id == 0 && !name.empty())  // gone since it was listed: the default rather than silence
        id = Sdl().OpenAudioDevice(nullptr, 0, &want, &got, 0);
    if (id == 0) {
        qWarning("platform: cannot open sound output: %s", Sdl().GetError());
        return false;
    }
    m_audio = id;
    Sdl().PauseAudioDevice(id, 0);
    return true;
}

std::unique_ptr<MixOutput> MakeSdlOutput(const char* programName) {
    if (!Sdl().loaded)
        return nullptr;
    // Qt owns the process's signals; SDL must not take SIGINT/SIGTERM from it.
    Sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The desktop's mixer lists the output under the program's name, not "Audio Stream".
    // By their names: an older SDL ignores hints it does not know.
    Sdl().SetHint("SDL_APP_NAME", programName);
    Sdl().SetHint("SDL_AUDIO_DEVICE_APP_NAME", programName);
    Sdl().SetHint("SDL_AUDIO_DEVICE_STREAM_NAME", programName);
    if (Sdl().InitSubSystem(SDL_INIT_AUDIO) != 0) {
        qWarning("platform: no sound output: %s", Sdl().GetError());
        return nullptr;
    }
    std::unique_ptr<MixOutput> sdl(new (std::nothrow) SdlOutput());
    if (!sdl)
        Sdl().QuitSubSystem(SDL_INIT_AUDIO);
    return sdl;
}

}  // namespace mixing
