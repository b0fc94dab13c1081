#include "playlist/uri_list.h"

#include "platform/host_name.h"

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

std::string PercentDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool IsThisHost(const std::string& host) {
    if (host.empty() || host == "localhost")
        return true;
    const std::string name = HostName();
    return !name.empty() && host == name;
}

}  // namespace

std::vector<std::string> LocalPathsFromUriList(const std::string& uriList) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < uriList.size()) {
        auto end = uriList.find('\n', start);
        if (end == std::string::npos)
            end = uriList.size();
        std::string line = uriList.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.compare(0, 5, "file:") != 0)
            continue;
        std::string rest = line.substr(5);
        if (rest.compare(0, 2, "//") == 0) {
            const auto slash = rest.find('/', 2);
            if (slash == std::string::npos)
                continue;
            if (!IsThisHost(rest.substr(2, slash - 2)))
                continue;
            rest = rest.substr(slash);
        }
        if (rest.empty() || rest[0] != '/')
            continue;
        std::string path = PercentDecode(rest);
        // A decoded NUL would cut the path short in every system call.
        if (path.find('\0') != std::string::npos)
            continue;
        paths.push_back(std::move(path));
    }
    return paths;
}
