// The in-process COM server: exports, class factory, object counting and the entries
// that registration writes into the store.
#include <dlfcn.h>

#include <QApplication>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/registry_store.h"
#include "wavsink/server_state.h"
#include "wavsink/wave_dest_filter.h"
#include "wavsink/wave_volume_page.h"

namespace {

constexpr size_t kMaxPath = PATH_MAX;
// The default filter category of the filter mapper, where DirectShow keeps its filters.
constexpr char kFilterCategory[] = "{083863F1-70DE-11D0-BD40-00A0C911CE86}";
constexpr char kMediaTypeAudio[] = "{73647561-0000-0010-8000-00AA00389B71}";
constexpr char kMediaSubtypePcm[] = "{00000001-0000-0010-8000-00AA00389B71}";
constexpr char kNullClsid[] = "{00000000-0000-0000-0000-000000000000}";
constexpr unsigned kMeritDoNotUse = 0x00200000;

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

using CreateFn = IUnknown* (*)(HRESULT* hr);

IUnknown* CreateFilter(HRESULT* hr) {
    WaveDestFilter* filter = WaveDestFilter::Create();
    *hr = filter ? S_OK : E_OUTOFMEMORY;
    return filter ? static_cast<IWaveDestVolume*>(filter) : nullptr;
}

IUnknown* CreatePage(HRESULT* hr) {
    // A page is a widget: it can exist only inside a Qt GUI application.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        *hr = E_UNEXPECTED;
        return nullptr;
    }
    WaveVolumePage* page = new (std::nothrow) WaveVolumePage();
    *hr = page ? S_OK : E_OUTOFMEMORY;
    return page ? static_cast<IPropertyPage*>(page) : nullptr;
}

struct ClassEntry {
    const char* name;
    const CLSID* clsid;
    CreateFn create;
};

const ClassEntry kClasses[] = {
    {"WAVE DestEx", &CLSID_WaveDestEx, CreateFilter},
    {"Wave Volume Property Page", &CLSID_WaveVolumePage, CreatePage},
};

class ClassFactory final : public IClassFactory {
  public:
    explicit ClassFactory(const ClassEntry& entry) : m_entry(entry) { wavsink::ObjectCreated(); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryOne<IClassFactory>(this, IID_IClassFactory, riid, ppv);
    }
    ULONG AddRef() override { return m_cRef.Add(); }
    ULONG Release() override { return m_cRef.Drop(this); }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            // Our objects do not delegate their IUnknown, so they cannot be aggregated.
            return riid == IID_IUnknown ? CLASS_E_NOAGGREGATION : E_NOINTERFACE;
        HRESULT hr = S_OK;
        IUnknown* object = m_entry.create(&hr);
        if (!object)
            return FAILED(hr) ? hr : E_OUTOFMEMORY;
        hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL lock) override {
        wavsink::LockServer(lock != FALSE);
        return S_OK;
    }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~ClassFactory() { wavsink::ObjectDestroyed(); }
    RefCount m_cRef;
    const ClassEntry& m_entry;
};

void Report(const registry::StoreResult& r) {
    if (!r.ok())
        std::fprintf(stderr, "wavsink: %s\n", r.message.c_str());
}

HRESULT ModulePath(std::string* path) {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&ModulePath), &info) || !info.dli_fname)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    char* full = ::realpath(info.dli_fname, nullptr);
    if (!full)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::string p(full);
    std::free(full);
    if (p.size() >= kMaxPath)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    *path = p;
    return S_OK;
}

std::string ClassKey(const CLSID& clsid) {
    return "CLSID\\" + registry::GuidToString(clsid);
}

std::string FilterInstanceKey() {
    return std::string("CLSID\\") + kFilterCategory + "\\Instance\\" +
           registry::GuidToString(CLSID_WaveDestEx);
}

// The filter mapper's entry: name, merit and the two pins with their media type.
void WriteFilterEntry(registry::StoreData& data) {
    const std::string key = FilterInstanceKey();
    char merit[16];
    std::snprintf(merit, sizeof merit, "0x%08X", kMeritDoNotUse);
    data.SetValue(key, "FriendlyName", "WAVE DestEx");
    data.SetValue(key, "CLSID", registry::GuidToString(CLSID_WaveDestEx));
    data.SetValue(key, "Merit", merit);
    struct Pin {
        const char* name;
        const char* direction;
        const char* connectsTo;
    };
    const Pin pins[] = {{"Input", "Input", "Output"}, {"Output", "Output", "Input"}};
    for (const Pin& pin : pins) {
        std::string pinKey = key + "\\Pins\\" + pin.name;
        data.SetValue(pinKey, "Direction", pin.direction);
        data.SetValue(pinKey, "Rendered", "0");
        data.SetValue(pinKey, "Zero", "0");
        data.SetValue(pinKey, "Many", "0");
        data.SetValue(pinKey, "ConnectsToFilter", kNullClsid);
        data.SetValue(pinKey, "ConnectsToPin", pin.connectsTo);
        data.CreateKey(pinKey + "\\Types\\" + kMediaTypeAudio + "\\" + kMediaSubtypePcm);
    }
}

}  // namespace

namespace wavsink {

void ObjectCreated() {
    ++g_objects;
}
void ObjectDestroyed() {
    --g_objects;
}
void LockServer(bool lock) {
    if (lock)
        ++g_locks;
    else if (g_locks > 0)
        --g_locks;
}
bool ServerInUse() {
    return g_objects > 0 || g_locks > 0;
}

}  // namespace wavsink

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                 void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IClassFactory && riid != IID_IUnknown)
        return E_NOINTERFACE;
    for (const ClassEntry& entry : kClasses) {
        if (*entry.clsid == clsid) {
            ClassFactory* factory = new (std::nothrow) ClassFactory(entry);
            if (!factory)
                return E_OUTOFMEMORY;
            *ppv = static_cast<IClassFactory*>(factory);
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return wavsink::ServerInUse() ? S_FALSE : S_OK;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    std::string module;
    HRESULT hr = ModulePath(&module);
    if (FAILED(hr))
        return hr;
    registry::RegistryStore store = registry::RegistryStore::Default();
    registry::StoreResult r = store.Update([&](registry::StoreData& data) {
        for (const ClassEntry& entry : kClasses) {
            std::string key = ClassKey(*entry.clsid);
            data.SetValue(key, "", entry.name);
            data.SetValue(key + "\\InprocServer32", "", module);
            data.SetValue(key + "\\InprocServer32", "ThreadingModel", "Both");
        }
        return registry::StoreResult{};
    });
    Report(r);
    if (!r.ok())
        return r.hr;
    // An earlier registration of the filter is replaced, not merged.
    r = store.Update([](registry::StoreData& data) {
        data.DeleteTree(FilterInstanceKey());
        WriteFilterEntry(data);
        return registry::StoreResult{};
    });
    Report(r);
    return r.hr;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    registry::RegistryStore store = registry::RegistryStore::Default();
    registry::StoreResult r = store.DeleteTree(FilterInstanceKey());
    Report(r);
    if (!r.ok())
        return r.hr;
    r = store.Update([](registry::StoreData& data) {
        for (const ClassEntry& entry : kClasses) data.DeleteTree(ClassKey(*entry.clsid));
        return registry::StoreResult{};
    });
    Report(r);
    return r.hr;
}

}  // extern "C"
