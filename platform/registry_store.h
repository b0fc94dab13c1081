// The file-based registration store that stands in for the Windows registry's classes
// root. Plain C++ (no Qt) so that plug-in servers can write their own entries.
//
// File format (UTF-8 text, one item per line, "#" lines ignored):
//   VELTRA-REGISTRY 1
//   [CLSID\{2197243F-1514-4060-AE7C-5890D6DF71D2}]
//   @="WAVE DestEx"
//   [CLSID\{2197243F-1514-4060-AE7C-5890D6DF71D2}\InprocServer32]
//   @="/opt/veltra/libwavsink.so"
//   "ThreadingModel"="Both"
// "@" is the key's default value. Inside quotes, \\ \" \n \t \r stand for themselves.
// Keys and value names compare case-insensitively (ASCII), as on Windows.
//
// Location: $VELTRA_REGISTRY when set, else $XDG_CONFIG_HOME/veltra/registry
// (~/.config/veltra/registry). Every change re-reads the file under an exclusive lock on
// "<store>.lock", writes the whole store aside and renames it over the old one, so a
// reader sees either the old or the new store and two writers never lose each other's
// entries. A corrupt store is never overwritten.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/com.h"

namespace registry {

// Case-insensitive ordering for key paths and value names.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct StoreKey {
    std::string name;                                       // spelling as first written
    std::map<std::string, std::string, NoCaseLess> values;  // "" = default value
};

// The whole store in memory: key path -> key. Paths use '\' as on Windows.
class StoreData {
  public:
    bool HasKey(const std::string& key) const;
    // nullptr when the key or the value is absent.
    const std::string* Value(const std::string& key, const std::string& name) const;
    // Creates the key (and its parents) when needed.
    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    void CreateKey(const std::string& key);
    // Removes the key and every key below it; false when it did not exist.
    bool DeleteTree(const std::string& key);
    // Direct subkeys' last path element, sorted.
    std::vector<std::string> SubKeys(const std::string& key) const;
    const std::map<std::string, StoreKey, NoCaseLess>& Keys() const { return m_keys; }

  private:
    std::map<std::string, StoreKey, NoCaseLess> m_keys;
};

struct StoreResult {
    HRESULT hr = S_OK;
    std::string message;  // empty on success; a full sentence naming the store otherwise
    bool ok() const { return SUCCEEDED(hr); }
};

// Results: S_OK; HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) for a missing key or value;
// REGDB_E_READREGDB for an unreadable or corrupt store; E_ACCESSDENIED when the store or
// its folder is read-only; REGDB_E_WRITEREGDB when writing or renaming fails;
// HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) for an over-long store path.
class RegistryStore {
  public:
    explicit RegistryStore(std::string path);
    // The store named by the environment (see above); empty path when neither
    // VELTRA_REGISTRY, XDG_CONFIG_HOME nor HOME is set.
    static std::string DefaultPath();
    static RegistryStore Default() { return RegistryStore(DefaultPath()); }

    const std::string& Path() const { return m_path; }

    // A missing store file reads as an empty store.
    StoreResult Load(StoreData* data) const;
    StoreResult GetValue(const std::string& key, const std::string& name, std::string* out) const;
    bool KeyExists(const std::string& key) const;

    // One locked read-modify-write. A change that returns a failed result abandons the
    // write; the file is then left as it was and that result is returned.
    StoreResult Update(const std::function<StoreResult(StoreData&)>& change);
    StoreResult SetValue(const std::string& key, const std::string& name, const std::string& value);
    // Deleting a key that does not exist succeeds.
    StoreResult DeleteTree(const std::string& key);

    // Text form used on disk, exposed for tests and tools.
    static std::string Serialize(const StoreData& data);
    static StoreResult Parse(const std::string& text, StoreData* data);

  private:
    std::string m_path;
};

// "{2197243F-1514-4060-AE7C-5890D6DF71D2}" (upper case, with braces).
std::string GuidToString(const GUID& guid);
// Accepts the form above, braces optional, either case.
bool GuidFromString(const std::string& text, GUID* guid);

}  // namespace registry
