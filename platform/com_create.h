// Creation of COM objects by class identifier, the way an in-process server is reached
// on Windows: the class is looked up in the registration store, its server library is
// loaded with dlopen and asked for a class factory through DllGetClassObject.
#pragma once

#include <string>

#include "platform/com.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Results beyond the store's own:
//   REGDB_E_CLASSNOTREG  no "CLSID\{...}\InprocServer32" default value for the class
//   REGDB_E_READREGDB    the store exists but cannot be read or is corrupt
//   CO_E_DLLNOTFOUND     the registered server path is over-long or dlopen fails
//   CO_E_ERRORINDLL      the server lacks DllGetClassObject
//   E_POINTER            ppv is null
// and whatever the server's factory returns.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** ppv);

// The class factory itself, for callers that create several objects or lock the server.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, REFIID riid, void** ppv);

// Unloads every server loaded by the functions above whose DllCanUnloadNow says S_OK.
void CoFreeUnusedLibraries();

// The InprocServer32 path registered for a class (empty when none); for diagnostics.
std::string RegisteredServerPath(REFCLSID clsid);
