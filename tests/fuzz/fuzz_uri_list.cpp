// Dropped text/uri-list data. Any input gives only absolute local paths without NUL
// bytes; and any such path, written as a file: URL the way file managers write it,
// comes back byte for byte.
#include <cstdint>
#include <string>
#include <vector>

#include "playlist/uri_list.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

std::string FileUrl(const std::string& path, bool withHost) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = withHost ? "file://" : "file:";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const std::string& path : LocalPathsFromUriList(text)) {
        FUZZ_CHECK(!path.empty() && path[0] == '/');
        FUZZ_CHECK(path.find('\0') == std::string::npos);
    }

    std::string path = "/";
    for (char c : text) {
        if (c != '\0')
            path += c;
    }
    // Without a host part, a path starting "//" would read as a host name: that form is
    // written only for other paths, as file managers do.
    const bool shortForm = path.compare(0, 2, "//") != 0;
    const std::vector<std::string> back =
        LocalPathsFromUriList("# dropped\r\n" + FileUrl(path, true) + "\r\n" +
                              (shortForm ? FileUrl(path, false) + "\n" : std::string()));
    FUZZ_CHECK(back.size() == (shortForm ? 2u : 1u));
    for (const std::string& p : back) FUZZ_CHECK(p == path);
    return 0;
}
