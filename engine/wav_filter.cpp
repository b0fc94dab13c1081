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
#include <thread>

#include "platform/com_create.h"
#include "platform/library_folders.h"
#include "platform/module_folder.h"

namespace fs = std::filesystem;

namespace {

// The registration can take a moment to reach the store; it is given this long.
constexpr int kRegistrationPolls = 50;  // of 100 ms each

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

// Registers the plug-in with the program's registration tool. Done once per process: the
// store keeps the entry, and re-running the tool before every conversion gains nothing.
HRESULT EnsureRegistered(const std::string& filterPath) {
    static bool done = false;
    if (done && Registered())
        return S_OK;
    std::string tool = (fs::path(filterPath).parent_path() / "regsvr").string();
    std::error_code ec;
    if (!fs::exists(filterPath, ec) || !fs::exists(tool, ec)) {
        qWarning("engine: %s or its registration tool is missing", filterPath.c_str());
        return CO_E_DLLNOTFOUND;
    }
    QProcess process;
    process.start(QString::fromStdString(tool),
                  QStringList{QStringLiteral("/s"), QString::fromStdString(filterPath)});
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        qWarning("engine: registering %s failed", filterPath.c_str());
        return SELFREG_E_CLASS;
    }
    for (int i = 0; i < kRegistrationPolls; ++i) {
        if (Registered()) {
            done = true;
            return S_OK;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    qWarning("engine: %s did not appear in the registration store", filterPath.c_str());
    return REGDB_E_CLASSNOTREG;
}

}  // namespace

GstElement* CreateWaveDestElement(int volumePercent, std::string* filterPath, HRESULT* hr) {
    HRESULT dummy;
    if (!hr)
        hr = &dummy;
    std::string folder = ProgramFolder();
    if (folder.empty() || folder.size() + 16 >= PATH_MAX) {
        *hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::string path = (fs::path(folder) / "libwavsink.so").string();
    if (filterPath)
        *filterPath = path;
    *hr = EnsureRegistered(path);
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
