#include "platform/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"

namespace fs = std::filesystem;

namespace registry {
namespace {

constexpr size_t kMaxPath = PATH_MAX;
constexpr char kSignature[] = "VELTRA-REGISTRY 1";

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

StoreResult Fail(HRESULT hr, std::string message) {
    return StoreResult{hr, std::move(message)};
}

std::string ParentOf(const std::string& key) {
    auto slash = key.rfind('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

bool IsBelow(const std::string& key, const std::string& root) {
    if (key.size() <= root.size() || key[root.size()] != '\\')
        return false;
    for (size_t i = 0; i < root.size(); ++i) {
        if (Lower(key[i]) != Lower(root[i]))
            return false;
    }
    return true;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool Unquote(const std::string& text, size_t& pos, std::string* out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out->clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= text.size())
                return false;
            switch (text[pos]) {
                case '\\':
                    *out += '\\';
                    break;
                case '"':
                    *out += '"';
                    break;
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                default:
                    return false;
            }
        } else {
            *out += c;
        }
    }
    return false;
}

// The registry's own limits on a key path's depth and length; a store beyond them is
// corrupt, and taking it in would cost time and memory that grow with their product.
constexpr size_t kMaxKeyDepth = 512;
constexpr size_t kMaxKeyBytes = 4096;

bool ValidKeyPath(const std::string& key) {
    if (key.empty() || key.front() == '\\' || key.back() == '\\' || key.size() > kMaxKeyBytes)
        return false;
    if (static_cast<size_t>(std::count(key.begin(), key.end(), '\\')) >= kMaxKeyDepth)
        return false;
    if (key.find("\\\\") != std::string::npos)
        return false;
    for (char c : key) {
        if (c == '\n' || c == '\r' || c == ']' || c == '[')
            return false;
    }
    return true;
}

// Holds an exclusive flock on "<store>.lock" for one read-modify-write. The lock lives
// on a side file because the store itself is replaced by rename on every write.
class StoreLock {
  public:
    explicit StoreLock(const std::string& lockPath) {
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_errno = errno;
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_errno = errno;
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~StoreLock() {
        if (m_fd >= 0)
            ::close(m_fd);  // closing releases the flock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool held() const { return m_fd >= 0; }
    int error() const { return m_errno; }

  private:
    int m_fd = -1;
    int m_errno = 0;
};

HRESULT WriteErrorResult(int err) {
    return (err == EACCES || err == EROFS || err == EPERM) ? E_ACCESSDENIED : REGDB_E_WRITEREGDB;
}

}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char x = Lower(a[i]), y = Lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

bool StoreData::HasKey(const std::string& key) const {
    return m_keys.count(key) != 0;
}

const std::string* StoreData::Value(const std::string& key, const std::string& name) const {
    auto k = m_keys.find(key);
    if (k == m_keys.end())
        return nullptr;
    auto v = k->second.values.find(name);
    return v == k->second.values.end() ? nullptr : &v->second;
}

void StoreData::CreateKey(const std::string& key) {
    // The parents of a key that exists exist too: the walk up ends at the first one met.
    for (std::string k = key; !k.empty(); k = ParentOf(k)) {
        auto [it, inserted] = m_keys.try_emplace(k);
        if (!inserted)
            return;
        it->second.name = k;
    }
}

void StoreData::SetValue(const std::string& key, const std::string& name,
                         const std::string& value) {
    CreateKey(key);
    m_keys[key].values[name] = value;
}

bool StoreData::DeleteTree(const std::string& key) {
    bool found = m_keys.erase(key) != 0;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (IsBelow(it->first, key)) {
            it = m_keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

std::vector<std::string> StoreData::SubKeys(const std::string& key) const {
    std::vector<std::string> out;
    for (const auto& [path, k] : m_keys) {
        if (IsBelow(path, key) && path.find('\\', key.size() + 1) == std::string::npos)
            out.push_back(k.name.substr(key.size() + 1));
    }
    return out;
}

RegistryStore::RegistryStore(std::string path) : m_path(std::move(path)) {}

std::string RegistryStore::DefaultPath() {
    if (const char* env = std::getenv("VELTRA_REGISTRY"); env && *env)
        return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::string(xdg) + "/veltra/registry";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/veltra/registry";
    return {};
}

std::string RegistryStore::Serialize(const StoreData& data) {
    std::ostringstream out;
    out << kSignature << "\n";
    for (const auto& [path, key] : data.Keys()) {
        out << "\n[" << key.name << "]\n";
        for (const auto& [name, value] : key.values)
            out << (name.empty() ? std::string("@") : Quote(name)) << "=" << Quote(value) << "\n";
    }
    return out.str();
}

StoreResult RegistryStore::Parse(const std::string& text, StoreData* data) {
    *data = StoreData();
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    std::string current;
    bool signed_ = false;
    auto corrupt = [&](const char* why) {
        return Fail(REGDB_E_READREGDB,
                    "line " + std::to_string(lineNo) + " is not a registry line (" + why + ")");
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!signed_) {
            if (line != kSignature)
                return corrupt("missing signature");
            signed_ = true;
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return corrupt("unterminated key");
            current = line.substr(1, line.size() - 2);
            if (!ValidKeyPath(current))
                return corrupt("bad key path");
            data->CreateKey(current);
            continue;
        }
        if (current.empty())
            return corrupt("value outside a key");
        size_t pos = 0;
        std::string name, value;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, &name)) {
            return corrupt("bad value name");
        }
        if (pos >= line.size() || line[pos] != '=')
            return corrupt("missing '='");
        ++pos;
        if (!Unquote(line, pos, &value) || pos != line.size())
            return corrupt("bad value");
        data->SetValue(current, name, value);
    }
    if (!signed_ && lineNo > 0)
        return corrupt("missing signature");
    return {};
}

StoreResult RegistryStore::Load(StoreData* data) const {
    *data = StoreData();
    if (m_path.empty())
        return Fail(REGDB_E_READREGDB,
                    "no registration store: neither VELTRA_REGISTRY nor a config folder is set");
    if (m_path.size() >= kMaxPath)
        return Fail(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
                    "registration store path is too long: " + m_path);
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!fs::exists(m_path, ec) && !ec)
            return {};  // no store yet: nothing is registered
        return Fail(REGDB_E_READREGDB,
                    "cannot read registration store " + m_path + ": " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return Fail(REGDB_E_READREGDB, "cannot read registration store " + m_path);
    StoreResult r = Parse(text.str(), data);
    if (!r.ok()) {
        *data = StoreData();
        r.message = "registration store " + m_path + " is corrupt: " + r.message;
    }
    return r;
}

StoreResult RegistryStore::GetValue(const std::string& key, const std::string& name,
                                    std::string* out) const {
    StoreData data;
    StoreResult r = Load(&data);
    if (!r.ok())
        return r;
    const std::string* v = data.Value(key, name);
    if (!v)
        return Fail(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                    "no value \"" + name + "\" under " + key);
    if (out)
        *out = *v;
    return {};
}

bool RegistryStore::KeyExists(const std::string& key) const {
    StoreData data;
    return Load(&data).ok() && data.HasKey(key);
}

StoreResult RegistryStore::Update(const std::function<StoreResult(StoreData&)>& change) {
    if (m_path.empty())
        return Fail(REGDB_E_WRITEREGDB,
                    "no registration store: neither VELTRA_REGISTRY nor a config folder is set");
    if (m_path.size() + 32 >= kMaxPath)
        return Fail(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
                    "registration store path is too long: " + m_path);
    std::error_code ec;
    fs::path folder = fs::path(m_path).parent_path();
    if (!folder.empty())
        fs::create_directories(folder, ec);
    if (ec)
        return Fail(
            WriteErrorResult(ec.value()),
            "cannot create the folder of registration store " + m_path + ": " + ec.message());

    StoreLock lock(m_path + ".lock");
    if (!lock.held())
        return Fail(WriteErrorResult(lock.error()), "cannot lock registration store " + m_path +
                                                        ": " + std::strerror(lock.error()));
    StoreData data;
    StoreResult r = Load(&data);
    if (!r.ok())
        return r;  // a corrupt store is left for the user to inspect, never replaced
    if (::access(m_path.c_str(), F_OK) == 0 && ::access(m_path.c_str(), W_OK) != 0)
        return Fail(E_ACCESSDENIED, "registration store " + m_path + " is read-only");
    r = change(data);
    if (!r.ok())
        return r;

    AtomicFile out;
    if (!out.Open(m_path, AtomicFile::Commit::Replace) || !out.Write(Serialize(data)) ||
        !out.Finish()) {
        const int err = out.Error();
        return Fail(WriteErrorResult(err),
                    "cannot write registration store " + m_path + ": " + std::strerror(err));
    }
    return {};
}

StoreResult RegistryStore::SetValue(const std::string& key, const std::string& name,
                                    const std::string& value) {
    if (!ValidKeyPath(key))
        return Fail(E_INVALIDARG, "invalid registry key \"" + key + "\"");
    return Update([&](StoreData& data) {
        data.SetValue(key, name, value);
        return StoreResult{};
    });
}

StoreResult RegistryStore::DeleteTree(const std::string& key) {
    if (!ValidKeyPath(key))
        return Fail(E_INVALIDARG, "invalid registry key \"" + key + "\"");
    return Update([&](StoreData& data) {
        data.DeleteTree(key);
        return StoreResult{};
    });
}

std::string GuidToString(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool GuidFromString(const std::string& text, GUID* guid) {
    std::string t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}')
        t = t.substr(1, 36);
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-')
        return false;
    std::string hex;
    for (size_t i = 0; i < t.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(t[i])))
            return false;
        hex += t[i];
    }
    auto part = [&](size_t at, size_t len) {
        return static_cast<uint32_t>(std::stoul(hex.substr(at, len), nullptr, 16));
    };
    GUID g{};
    g.Data1 = part(0, 8);
    g.Data2 = static_cast<uint16_t>(part(8, 4));
    g.Data3 = static_cast<uint16_t>(part(12, 4));
    for (size_t i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(part(16 + 2 * i, 2));
    if (guid)
        *guid = g;
    return true;
}

}  // namespace registry
