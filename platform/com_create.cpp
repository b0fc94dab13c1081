#include "platform/com_create.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/registry_store.h"

namespace {

constexpr size_t kMaxPath = PATH_MAX;

struct LoadedServer {
    std::string path;
    void* handle = nullptr;
    DllGetClassObjectFn getClassObject = nullptr;
    DllCanUnloadNowFn canUnloadNow = nullptr;
};

// Servers stay loaded until CoFreeUnusedLibraries finds them idle, as with COM.
std::mutex g_serversLock;
std::vector<LoadedServer> g_servers;

std::string ServerKey(REFCLSID clsid) {
    return "CLSID\\" + registry::GuidToString(clsid) + "\\InprocServer32";
}

// A path written by hand may carry the quotes a Windows command line would need; such a
// value names the unquoted file unless a file with the quotes in its name exists.
std::string ResolveServerPath(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
        ::access(value.c_str(), F_OK) != 0)
        return value.substr(1, value.size() - 2);
    return value;
}

HRESULT LoadServer(const std::string& path, LoadedServer* out) {
    std::lock_guard<std::mutex> lock(g_serversLock);
    for (const LoadedServer& s : g_servers) {
        if (s.path == path) {
            *out = s;
            return S_OK;
        }
    }
    // A relative value would be resolved against whatever folder we run in; COM
    // registrations always carry full paths, so refuse the ambiguity.
    if (path.empty() || path.front() != '/')
        return CO_E_DLLNOTFOUND;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "com: cannot load %s: %s\n", path.c_str(), why ? why : "");
        return CO_E_DLLNOTFOUND;
    }
    LoadedServer s;
    s.path = path;
    s.handle = handle;
    s.getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
    s.canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
    if (!s.getClassObject) {
        ::dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    g_servers.push_back(s);
    *out = s;
    return S_OK;
}

}  // namespace

std::string RegisteredServerPath(REFCLSID clsid) {
    std::string value;
    if (!registry::RegistryStore::Default().GetValue(ServerKey(clsid), "", &value).ok())
        return {};
    return ResolveServerPath(value);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(clsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;  // only in-process servers exist here
    std::string value;
    registry::StoreResult r =
        registry::RegistryStore::Default().GetValue(ServerKey(clsid), "", &value);
    if (!r.ok())
        return r.hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? REGDB_E_CLASSNOTREG
                                                                : REGDB_E_READREGDB;
    std::string path = ResolveServerPath(value);
    if (path.size() >= kMaxPath)
        return CO_E_DLLNOTFOUND;
    LoadedServer server;
    HRESULT hr = LoadServer(path, &server);
    if (FAILED(hr))
        return hr;
    return server.getClassObject(clsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr =
        CoGetClassObject(clsid, clsContext, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(outer, riid, ppv);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries() {
    std::lock_guard<std::mutex> lock(g_serversLock);
    for (auto it = g_servers.begin(); it != g_servers.end();) {
        if (it->canUnloadNow && it->canUnloadNow() == S_OK) {
            ::dlclose(it->handle);
            it = g_servers.erase(it);
        } else {
            ++it;
        }
    }
}
