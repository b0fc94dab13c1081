#include "engine/ogg_backend.h"

#include <QDebug>
#include <cstring>
#include <utility>

#include "platform/library_folders.h"
#include "platform/module_folder.h"
#include "platform/shared_library.h"
#include "platform/sound_output.h"

namespace {

constexpr const char* kLibraryName = "libtunewell.so";

SharedLibrary OpenLibrary(const std::string& folder) {
    if (!folder.empty()) {
        std::string path = folder;
        if (path.back() != '/')
            path += '/';
        path += kLibraryName;
        SharedLibrary beside = SharedLibrary::Open(path);
        if (beside.IsOpen())
            return beside;
    }
    return SharedLibrary::Open(kLibraryName);
}

template <class Fn>
void Bind(const SharedLibrary& module, const char* name, Fn& slot) {
    slot = module.Function<Fn>(name);
}

}  // namespace

OggBackend::~OggBackend() {
    Unload();
}

bool OggBackend::Load() {
    // An installed program keeps the library in ../lib/veltra/ rather than beside itself.
    const std::string found = FindLibraryFile(kLibraryName);
    return Load(found.empty() ? ModuleFolder() : found.substr(0, found.rfind('/') + 1));
}

bool OggBackend::Load(const std::string& folder) {
    SharedLibrary module = OpenLibrary(folder);
    if (!module.IsOpen()) {
        qDebug() << "engine: tunewell not loaded:" << module.Failure().c_str();
        m_bLoaded = 0;
        return false;
    }
    m_Module = std::move(module);
    return BindFrom(m_Module);
}

bool OggBackend::BindFrom(const SharedLibrary& module) {
    Bind(module, "VorbisLibInit", m_pInit);
    Bind(module, "VorbisLibOpen", m_pOpen);
    Bind(module, "VorbisLibClose", m_pClose);
    Bind(module, "VorbisLibPlayFile", m_pPlayFile);
    Bind(module, "VorbisLibPlay", m_pPlay);
    Bind(module, "VorbisLibPause", m_pPause);
    Bind(module, "VorbisLibStop", m_pStop);
    Bind(module, "VorbisLibSetTime", m_pSetTime);
    Bind(module, "VorbisLibGetTime", m_pGetTime);
    Bind(module, "VorbisLibIsActive", m_pIsActive);
    Bind(module, "VorbisLibIsPlay", m_pIsPlay);
    Bind(module, "VorbisLibIsPause", m_pIsPause);
    Bind(module, "VorbisLibWaveDest", m_pWaveDest);
    Bind(module, "VorbisLibIsVorbis", m_pIsVorbis);
    Bind(module, "VorbisLibGetFile", m_pGetFile);
    m_bLoaded = 1;
    return true;
}

void OggBackend::Unload() {
    if (m_pClose)
        m_pClose();
    m_Module.Close();
    m_bLoaded = 0;
    m_pInit = nullptr;
    m_pOpen = nullptr;
    m_pClose = nullptr;
    m_pPlayFile = nullptr;
    m_pPlay = nullptr;
    m_pPause = nullptr;
    m_pStop = nullptr;
    m_pSetTime = nullptr;
    m_pGetTime = nullptr;
    m_pIsActive = nullptr;
    m_pIsPlay = nullptr;
    m_pIsPause = nullptr;
    m_pWaveDest = nullptr;
    m_pIsVorbis = nullptr;
    m_pGetFile = nullptr;
}

void OggBackend::VorbisLibInit(IDirectSound* device, VorbisLibCallback callback) {
    if (m_pInit)
        m_pInit(device, callback);
}

int OggBackend::VorbisLibOpen(const std::string& path, double* totalSeconds) {
    // The desktop's mixer names tunewell's stream after the file, as it does the graph's.
    const size_t slash = path.rfind('/');
    SetSoundStreamTitle(slash == std::string::npos ? path : path.substr(slash + 1));
    return m_pOpen ? m_pOpen(path.c_str(), totalSeconds) : 0;
}

void OggBackend::VorbisLibClose() {
    if (m_pClose)
        m_pClose();
}

int OggBackend::VorbisLibPlay() {
    return m_pPlay ? m_pPlay() : 0;
}

void OggBackend::VorbisLibPause() {
    if (m_pPause)
        m_pPause();
}

void OggBackend::VorbisLibStop() {
    if (m_pStop)
        m_pStop();
}

int OggBackend::VorbisLibSetTime(double seconds) {
    return m_pSetTime ? m_pSetTime(seconds) : 0;
}

int OggBackend::VorbisLibGetTime(double* seconds) {
    return m_pGetTime ? m_pGetTime(seconds) : 0;
}

int OggBackend::VorbisLibIsActive() {
    return m_pIsActive ? m_pIsActive() : 0;
}

int OggBackend::VorbisLibIsPlay() {
    return m_pIsPlay ? m_pIsPlay() : 0;
}

int OggBackend::VorbisLibIsPause() {
    return m_pIsPause ? m_pIsPause() : 0;
}

int OggBackend::VorbisLibWaveDest(const std::string& wavPath, int volumePercent,
                                  const double* startSeconds, const double* endSeconds) {
    return m_pWaveDest ? m_pWaveDest(wavPath.c_str(), volumePercent, startSeconds, endSeconds) : 0;
}

void OggBackend::VorbisLibGetFile(char* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return;
    buffer[0] = '\0';
    std::string name = VorbisLibGetFile();
    if (name.size() < size)
        std::memcpy(buffer, name.c_str(), name.size() + 1);
}

std::string OggBackend::VorbisLibGetFile() {
    if (!m_pGetFile)
        return {};
    // The library never keeps a name longer than this buffer.
    char name[kVorbisLibMaxPath];
    name[0] = '\0';
    m_pGetFile(name);
    name[kVorbisLibMaxPath - 1] = '\0';
    return name;
}
