// regsvr: registers or unregisters an in-process COM server, standing in for the
// system's regsvr32. Usage: regsvr [/s] [/u] <server.so>
// Exit codes: 0 done; 1 usage; 2 the server cannot be loaded; 3 it lacks the export;
// 4 the export reported a failure.
#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com.h"

namespace {

constexpr size_t kMaxPath = PATH_MAX;

enum ExitCode { kDone = 0, kUsage = 1, kLoadFailed = 2, kNoEntryPoint = 3, kCallFailed = 4 };

void Say(bool silent, const char* format, const std::string& a, const std::string& b = {}) {
    if (silent)
        return;
    std::fprintf(stderr, format, a.c_str(), b.c_str());
    std::fputc('\n', stderr);
}

int Usage() {
    std::fprintf(stderr, "usage: regsvr [/s] [/u] <server.so>\n");
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    bool silent = false;
    bool unregister = false;
    std::string server;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "/s" || arg == "/S" || arg == "-s")
            silent = true;
        else if (arg == "/u" || arg == "/U" || arg == "-u")
            unregister = true;
        else if (server.empty())
            server = arg;
        else
            return Usage();
    }
    if (server.empty())
        return Usage();
    // The program quotes the path as a Windows command line would.
    if (server.size() >= 2 && server.front() == '"' && server.back() == '"')
        server = server.substr(1, server.size() - 2);
    if (server.size() >= kMaxPath) {
        Say(silent, "regsvr: the path is too long: %s", server);
        return kLoadFailed;
    }
    // dlopen searches the library path for a bare name; a server is named by its file.
    if (server.find('/') == std::string::npos)
        server = "./" + server;

    void* handle = ::dlopen(server.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        Say(silent, "regsvr: cannot load %s: %s", server, why ? why : "");
        return kLoadFailed;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<DllRegisterServerFn>(::dlsym(handle, entry));
    if (!fn) {
        Say(silent, "regsvr: %s has no %s entry point", server, entry);
        ::dlclose(handle);
        return kNoEntryPoint;
    }
    HRESULT hr = fn();
    ::dlclose(handle);
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        Say(silent, "regsvr: %s failed with %s", server + ": " + entry, code);
        return kCallFailed;
    }
    Say(silent, "regsvr: %s in %s succeeded", entry, server);
    return kDone;
}
