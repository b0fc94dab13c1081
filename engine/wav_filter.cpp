#include "engine/wav_filter.h"

#include <gst/gst.h>
#include <limits.h>
#include <unistd.h>

#include <QDebug>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <mutex>

#include "platform/com_create.h"
#include "platform/library_folders.h"
#include "platform/module_folder.h"

namespace fs = std::filesystem;

namespace {

// regsvr writes the store before it exits; it is given this long.
constexpr int kRegistrationMs = 10000;

std::string ProgramFolder() {
    if (const char* bin = std::getenv("VELTRA_BIN_DIR"); bin && *bin)
        return bin;
    // Beside the program in the build folder, in ../lib/veltra/ when installed.
    const std::string found = FindLibraryFile("libwavsink.so");
    if (!found.empty())
        return fs::path(found).parent_path().string();
    const std::string folder = ModuleFolder();
    return folder.empty() ? folder : fs::path(folder).parent_path().string();
}

bool Registered() {
    std::string path = RegisteredServerPath(CLSID_WaveDestEx);
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

// Registers the plug-in with the program's registration tool; runs on a worker thread.
HRESULT Register(const std::string& filterPath) {
    std::string tool = (fs::path(filterPath).parent_path() / "regsvr").string();
    std::error_code ec;
    if (!fs::exists(filterPath, ec) || !fs::exists(tool, ec)) {
        qWarning("engine: %s or its registration tool is missing", filterPath.c_str());
        return CO_E_DLLNOTFOUND;
    }
    QProcess process;
    process.start(QString::fromStdString(tool),
                  QStringList{QStringLiteral("/s"), QString::fromStdString(filterPath)});
    if (!process.waitForFinished(kRegistrationMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        qWarning("engine: registering %s failed", filterPath.c_str());
        return SELFREG_E_CLASS;
    }
    if (!Registered()) {
        qWarning("engine: %s did not appear in the registration store", filterPath.c_str());
        return REGDB_E_CLASSNOTREG;
    }
    return S_OK;
}

// Once per process the tool runs, away from the interface thread: the store keeps the
// entry, and re-running it before every conversion gains nothing. A failed or vanished
// registration is tried again by the next caller.
std::shared_future<HRESULT> Registration(const std::string& filterPath) {
    static std::mutex mutex;
    static std::shared_future<HRESULT> registration;
    std::lock_guard<std::mutex> lock(mutex);
    const bool settled = registration.valid() && registration.wait_for(std::chrono::seconds(0)) ==
                                                     std::future_status::ready;
    if (!registration.valid() || (settled && (FAILED(registration.get()) || !Registered())))
        registration = std::async(std::launch::async, Register, filterPath).share();
    return registration;
}

std::string FilterPath() {
    const std::string folder = ProgramFolder();
    if (folder.empty() || folder.size() + 16 >= PATH_MAX)
        return {};
    return (fs::path(folder) / "libwavsink.so").string();
}

}  // namespace

void PrepareWaveDest() {
    if (const std::string path = FilterPath(); !path.empty())
        Registration(path);
}

GstElement* CreateWaveDestElement(int volumePercent, std::string* filterPath, HRESULT* hr) {
    HRESULT dummy;
    if (!hr)
        hr = &dummy;
    const std::string path = FilterPath();
    if (path.empty()) {
        *hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    if (filterPath)
        *filterPath = path;
    // Normally long done: it starts with the program.
    *hr = Registration(path).get();
    if (FAILED(*hr))
        return nullptr;
    IUnknown* filter = nullptr;
    *hr = CoCreateInstance(CLSID_WaveDestEx, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                           reinterpret_cast<void**>(&filter));
    if (FAILED(*hr) || !filter) {
        qWarning("engine: cannot create the WaveDestEx filter (0x%x)", static_cast<unsigned>(*hr));
        if (SUCCEEDED(*hr))
            *hr = E_FAIL;
        return nullptr;
    }
    // Without the volume interface the file is written at the filter's own volume.
    IWaveDestVolume* volume = nullptr;
    if (SUCCEEDED(filter->QueryInterface(IID_IWaveDestVolume, reinterpret_cast<void**>(&volume))) &&
        volume) {
        volume->SetVolume(volumePercent, 0);
        volume->Release();
    }
    GstElement* element = nullptr;
    IWaveDestElement* source = nullptr;
    *hr = filter->QueryInterface(IID_IWaveDestElement, reinterpret_cast<void**>(&source));
    if (SUCCEEDED(*hr) && source) {
        *hr = source->GetElement(&element);
        source->Release();
    }
    filter->Release();
    if (FAILED(*hr) || !element) {
        qWarning("engine: the WaveDestEx filter offers no element (0x%x)",
                 static_cast<unsigned>(*hr));
        if (SUCCEEDED(*hr))
            *hr = E_NOINTERFACE;
        return nullptr;
    }
    gst_object_set_name(GST_OBJECT(element), "WaveDestEx");
    return element;
}
