// The registration store's text form and its locked read-modify-write. Whatever parses
// must serialise to text that parses to the same store; a change that succeeds must read
// back; a change refused (a corrupt store, a bad key) must leave the file as it was.
#include <cstdint>
#include <string>

#include "platform/registry_store.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = fuzz::ScratchFolder("registry");
    const std::string path = folder + "/registry";
    fuzz::Input in(data, size);
    const uint8_t op = in.Byte();
    const std::string key = in.Text();
    const std::string name = in.Text();
    const std::string value = in.Text();
    const std::string text = in.Rest();

    registry::StoreData parsed;
    if (registry::RegistryStore::Parse(text, &parsed).ok()) {
        const std::string once = registry::RegistryStore::Serialize(parsed);
        registry::StoreData again;
        FUZZ_CHECK(registry::RegistryStore::Parse(once, &again).ok());
        FUZZ_CHECK(registry::RegistryStore::Serialize(again) == once);
        for (const auto& [k, entry] : parsed.Keys()) {
            FUZZ_CHECK(again.HasKey(k));
            for (const auto& [n, v] : entry.values) {
                const std::string* read = again.Value(k, n);
                FUZZ_CHECK(read && *read == v);
            }
        }
    }

    fuzz::WriteFileOrDie(path, text);
    registry::RegistryStore store(path);
    const registry::StoreResult changed =
        (op & 1) ? store.DeleteTree(key) : store.SetValue(key, name, value);
    if (!changed.ok()) {
        FUZZ_CHECK(fuzz::ReadFileOrEmpty(path) == text);
        return 0;
    }
    if (op & 1) {
        FUZZ_CHECK(!store.KeyExists(key));
    } else {
        std::string read;
        FUZZ_CHECK(store.GetValue(key, name, &read).ok());
        FUZZ_CHECK(read == value);
    }
    return 0;
}
