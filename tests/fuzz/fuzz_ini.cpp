// The settings-file reader and writer over arbitrary files and names. Reads must stay
// inside their buffers; a write that reports success must read back (as the reader
// normalises values) and must leave every other entry as it was; a refused write must
// leave the file byte for byte unchanged.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ini_file.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

std::string Trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// What a reader gives back for a value written as text.
std::string AsRead(const std::string& text) {
    std::string v = Trimmed(text);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

// Buffer-form call into an exactly sized heap buffer, so the address sanitizer sees any
// byte written or read past it.
std::vector<std::string> Names(const char* section, const std::string& file, unsigned room) {
    std::vector<char> buffer(room);
    const DWORD n = GetPrivateProfileString(section, nullptr, "", buffer.data(),
                                            static_cast<DWORD>(buffer.size()), file.c_str());
    FUZZ_CHECK(room == 0 || n < room);
    std::vector<std::string> names;
    if (room < 2)
        return names;
    FUZZ_CHECK(buffer[room - 1] == '\0' || buffer[n] == '\0');
    for (std::size_t at = 0; at < n;) {
        const std::size_t len = std::strlen(buffer.data() + at);
        names.emplace_back(buffer.data() + at, len);
        at += len + 1;
    }
    return names;
}

using Entries = std::map<std::pair<std::string, std::string>, std::string>;

// Every (section, key) the listing functions find, with the value the reader gives.
Entries Snapshot(const std::string& file) {
    Entries entries;
    const std::vector<std::string> sections = Names(nullptr, file, 1 << 16);
    for (std::size_t s = 0; s < sections.size() && s < 16; ++s) {
        std::vector<char> keys(1 << 16);
        const DWORD n = GetPrivateProfileString(sections[s].c_str(), nullptr, "", keys.data(),
                                                static_cast<DWORD>(keys.size()), file.c_str());
        for (std::size_t at = 0; at < n && entries.size() < 64;) {
            const std::string key(keys.data() + at);
            at += key.size() + 1;
            if (key.empty())
                continue;
            // Lookups fold ASCII case, so the first spelling met stands for all.
            entries.emplace(std::make_pair(sections[s], key),
                            GetPrivateProfileString(sections[s], key, "\x01missing", file));
        }
    }
    return entries;
}

bool SameNameFolded(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = fuzz::ScratchFolder("ini");
    const std::string file = folder + "/plInfo.ini";
    fuzz::Input in(data, size);
    const uint8_t op = in.Byte();
    const unsigned room = in.Number(2) % 4096;
    std::string section = in.Text();
    std::string key = in.Text();
    std::string value = in.Text();
    const std::string contents = in.Rest();
    fuzz::WriteFileOrDie(file, contents);

    // Reads into buffers of every size, names and values alike.
    Names(nullptr, file, room);
    Names(section.c_str(), file, room);
    {
        std::vector<char> buffer(room);
        const DWORD n = GetPrivateProfileString(section.c_str(), key.c_str(), value.c_str(),
                                                buffer.data(), room, file.c_str());
        FUZZ_CHECK(room == 0 || (n < room && buffer[n] == '\0'));
    }
    (void)GetPrivateProfileInt(section.c_str(), key.c_str(), 7, file.c_str());

    const Entries before = Snapshot(file);
    const char* keyArg = (op & 1) ? nullptr : key.c_str();
    const char* valueArg = (op & 2) ? nullptr : value.c_str();
    const BOOL written = WritePrivateProfileString(section.c_str(), keyArg, valueArg, file.c_str());
    if (!written) {
        FUZZ_CHECK(fuzz::ReadFileOrEmpty(file) == contents);
        return 0;
    }
    const std::string name = Trimmed(section);
    if (keyArg && valueArg)
        FUZZ_CHECK(GetPrivateProfileString(section, key, "\x01missing", file) == AsRead(value));
    else if (keyArg)
        FUZZ_CHECK(GetPrivateProfileString(section, key, "\x01missing", file) == "\x01missing");

    // Nothing else moved.
    for (const auto& [where, was] : before) {
        if (SameNameFolded(Trimmed(where.first), name) &&
            (!keyArg || SameNameFolded(Trimmed(where.second), Trimmed(key))))
            continue;
        FUZZ_CHECK(GetPrivateProfileString(where.first, where.second, "\x01missing", file) == was);
    }
    return 0;
}
