#include "playlist/session_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/atomic_file.h"

namespace {

constexpr const char* kHeader = "#VELTRA-SESSION 1";
constexpr const char* kResume = "resume\t";

bool Writable(const std::string& path) {
    return !path.empty() && path.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

SessionStore::SessionStore(std::string file) : m_file(file.empty() ? DefaultFile() : file) {}

std::string SessionStore::DefaultFile() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/veltra/session";
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return std::string(home) + "/.local/state/veltra/session";
    return {};
}

bool SessionStore::Load(SessionState* state) const {
    *state = SessionState();
    if (m_file.empty())
        return false;
    std::ifstream in(m_file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != kHeader)
        return false;
    SessionState loaded;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        if (line.rfind(kResume, 0) == 0) {
            const std::string rest = line.substr(std::char_traits<char>::length(kResume));
            const auto tab = rest.find('\t');
            if (tab == std::string::npos)
                continue;
            char* end = nullptr;
            const long tenths = std::strtol(rest.c_str(), &end, 10);
            if (end != rest.c_str() + tab || tenths < 0 || tenths > 0x7fffffffL)
                continue;
            loaded.resumeTenths = static_cast<int>(tenths);
            loaded.resumePath = rest.substr(tab + 1);
            continue;
        }
        if (line[0] == '/')
            loaded.paths.push_back(line);
    }
    *state = std::move(loaded);
    return true;
}

int SessionStore::Save(const SessionState& state) const {
    if (m_file.empty())
        return ENOENT;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_file).parent_path(), ec);
    if (ec)
        return ec.value();
    std::ostringstream out;
    out << kHeader << '\n';
    if (Writable(state.resumePath))
        out << kResume << std::max(0, state.resumeTenths) << '\t' << state.resumePath << '\n';
    for (const std::string& path : state.paths)
        if (Writable(path) && path[0] == '/')
            out << path << '\n';
    return AtomicFile::ReplaceContents(m_file, out.str());
}
