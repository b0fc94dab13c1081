#include "platform/ini_file.h"

#include <unistd.h>

#include <cerrno>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/atomic_file.h"

namespace {

// Far above any settings file; a bigger one is not ours and is not rewritten.
constexpr qint64 kMaxIniBytes = 16 * 1024 * 1024;

struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" (last line of a file without a final newline)
};

struct IniText {
    std::string bom;
    std::vector<Line> lines;
    std::string eol = "\r\n";  // what new lines get: the file's own style, CRLF for new files
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

// Section name of a "[name]" line, or nothing for other lines.
std::optional<std::string> SectionOf(const std::string& line) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[')
        return std::nullopt;
    size_t close = t.find(']');
    return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// Key and raw value of a "key=value" line; comments and other lines give nothing.
bool KeyValueOf(const std::string& line, std::string* key, std::string* value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    *key = Trim(t.substr(0, eq));
    std::string v = Trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    *value = v;
    return !key->empty();
}

IniText Split(const QByteArray& bytes) {
    IniText ini;
    std::string all(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (all.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        ini.bom = all.substr(0, 3);
        all.erase(0, 3);
    }
    size_t nl = all.find('\n');
    if (nl != std::string::npos)
        ini.eol = (nl > 0 && all[nl - 1] == '\r') ? "\r\n" : "\n";
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        Line line;
        if (end == std::string::npos) {
            line.text = all.substr(pos);
            pos = all.size();
        } else {
            line.text = all.substr(pos, end - pos);
            line.end = "\n";
            pos = end + 1;
        }
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.end = line.end.empty() ? "\r" : "\r\n";
        }
        ini.lines.push_back(std::move(line));
    }
    return ini;
}

// Reads the file; nothing when it is missing, unreadable or too big to be ours.
std::optional<IniText> Load(const char* file) {
    if (!file || !*file)
        return std::nullopt;
    QFile f(QString::fromUtf8(file));
    if (!f.exists())
        return IniText{};
    if (f.size() > kMaxIniBytes || !f.open(QIODevice::ReadOnly)) {
        qWarning("platform: cannot read settings file %s", file);
        return std::nullopt;
    }
    return Split(f.readAll());
}

// Range [first, last) of lines belonging to the first section called name (header
// included at first); first == npos when there is none.
struct SectionRange {
    size_t header = std::string::npos;
    size_t end = 0;
};

SectionRange FindSection(const IniText& ini, const std::string& name) {
    SectionRange r;
    for (size_t i = 0; i < ini.lines.size(); ++i) {
        auto s = SectionOf(ini.lines[i].text);
        if (!s)
            continue;
        if (r.header != std::string::npos) {
            r.end = i;
            return r;
        }
        if (SameName(*s, name))
            r.header = i;
    }
    r.end = ini.lines.size();
    return r;
}

std::optional<std::string> Lookup(const IniText& ini, const std::string& section,
                                  const std::string& rawKey) {
    SectionRange r = FindSection(ini, Trim(section));
    const std::string key = Trim(rawKey);
    if (r.header == std::string::npos)
        return std::nullopt;
    std::string k, v;
    for (size_t i = r.header + 1; i < r.end; ++i)
        if (KeyValueOf(ini.lines[i].text, &k, &v) && SameName(k, key))
            return v;
    return std::nullopt;
}

std::string StripTrailingBlanks(const char* text) {
    std::string s = text ? text : "";
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

// Copies a NUL-separated list, Windows style: fits -> total length without the final
// NUL; does not fit -> size - 2 with the list cut and double-NUL ended.
DWORD CopyList(const std::vector<std::string>& names, char* buffer, DWORD size) {
    if (size == 0)
        return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    DWORD pos = 0;
    for (const std::string& n : names) {
        if (pos + n.size() + 1 > size - 1) {
            // Names that filled the buffer to its last byte leave no room at all.
            DWORD room = pos < size - 2 ? size - 2 - pos : 0;
            std::memcpy(buffer + pos, n.data(), room);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + pos, n.data(), n.size());
        pos += static_cast<DWORD>(n.size());
        buffer[pos++] = '\0';
    }
    buffer[pos] = '\0';
    return pos;
}

DWORD CopyValue(const std::string& value, char* buffer, DWORD size) {
    if (size == 0)
        return 0;
    // A NUL inside a corrupt file ends the value, as it would in a C string.
    size_t len = std::min(value.size(), std::strlen(value.c_str()));
    DWORD n = static_cast<DWORD>(std::min<size_t>(len, size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return n;
}

bool HasLineBreak(const char* s) {
    return s && std::strpbrk(s, "\r\n") != nullptr;
}

// A last line ended by a lone CR (or by nothing) must be ended before another follows,
// or the next entry would be read as part of it. The CR stays: it may be the last byte
// of the text before it, which must read the same afterwards.
void CloseLine(Line& line, const std::string& eol) {
    if (line.end.empty())
        line.end = eol;
    else if (line.end == "\r")
        line.end = "\r\n";
}

// Keys the reader would take for a comment or a section header, or not see at all.
bool IsUnreadableKey(const char* key) {
    if (!key)
        return false;
    const std::string k = Trim(key);
    return k.empty() || k[0] == ';' || k[0] == '[' || k.find('=') != std::string::npos;
}

bool Save(const char* file, const IniText& ini) {
    // Windows refuses to write a read-only file; replacing it by rename would not.
    if (access(file, F_OK) == 0 && access(file, W_OK) != 0) {
        qWarning("platform: settings file %s is read-only", file);
        return false;
    }
    std::string bytes = ini.bom;
    for (const Line& l : ini.lines) {
        bytes += l.text;
        bytes += l.end;
    }
    const int error = AtomicFile::ReplaceContents(file, bytes);
    if (error != 0) {
        qWarning("platform: cannot write settings file %s: %s", file, std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& file) {
    std::optional<IniText> ini = Load(file.c_str());
    if (ini) {
        if (auto v = Lookup(*ini, section, key))
            return *v;
    }
    return StripTrailingBlanks(defaultValue.c_str());
}

DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* file) {
    if (!buffer || size == 0)
        return 0;
    std::optional<IniText> ini = Load(file);
    if (!section) {
        std::vector<std::string> names;
        if (ini)
            for (const Line& l : ini->lines)
                if (auto s = SectionOf(l.text))
                    names.push_back(*s);
        return CopyList(names, buffer, size);
    }
    if (!key) {
        std::vector<std::string> names;
        if (ini) {
            SectionRange r = FindSection(*ini, section);
            std::string k, v;
            if (r.header != std::string::npos)
                for (size_t i = r.header + 1; i < r.end; ++i)
                    if (KeyValueOf(ini->lines[i].text, &k, &v))
                        names.push_back(k);
        }
        return CopyList(names, buffer, size);
    }
    if (ini) {
        if (auto v = Lookup(*ini, section, key))
            return CopyValue(*v, buffer, size);
    }
    return CopyValue(StripTrailingBlanks(defaultValue), buffer, size);
}

UINT GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                          const char* file) {
    if (!section || !key)
        return static_cast<UINT>(defaultValue);
    std::string v = GetPrivateProfileString(section, key, "", file ? file : "");
    if (v.empty())
        return static_cast<UINT>(defaultValue);
    size_t i = 0;
    bool negative = false;
    if (v[i] == '-' || v[i] == '+') {
        negative = v[i] == '-';
        ++i;
    }
    uint32_t result = 0;
    if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
        for (i += 2; i < v.size() && std::isxdigit(static_cast<unsigned char>(v[i])); ++i)
            result =
                result * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(v[i]))
                                                        ? v[i] - '0'
                                                        : (FoldAscii(v[i]) - 'A' + 10));
    } else {
        for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
            result = result * 10 + static_cast<uint32_t>(v[i] - '0');
    }
    return negative ? 0u - result : result;
}

BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* file) {
    if (!section || !*section || !file || !*file)
        return 0;
    // A line break would split the entry and corrupt the lines after it.
    if (HasLineBreak(section) || std::strchr(section, ']') || HasLineBreak(key) ||
        HasLineBreak(value) || IsUnreadableKey(key))
        return 0;
    std::optional<IniText> loaded = Load(file);
    if (!loaded)
        return 0;
    IniText& ini = *loaded;
    const std::string name = Trim(section);
    SectionRange r = FindSection(ini, name);

    if (!key) {  // remove the section
        if (r.header == std::string::npos)
            return 1;
        // Every section of that name goes: a later duplicate would otherwise take its
        // place and the section would still be there for the next reader.
        for (; r.header != std::string::npos; r = FindSection(ini, name))
            ini.lines.erase(ini.lines.begin() + static_cast<long>(r.header),
                            ini.lines.begin() + static_cast<long>(r.end));
        return Save(file, ini) ? 1 : 0;
    }

    const std::string k = Trim(key);
    size_t found = std::string::npos;
    size_t lastEntry = r.header;
    if (r.header != std::string::npos) {
        std::string lk, lv;
        for (size_t i = r.header + 1; i < r.end; ++i) {
            if (!Trim(ini.lines[i].text).empty())
                lastEntry = i;
            if (found == std::string::npos && KeyValueOf(ini.lines[i].text, &lk, &lv) &&
                SameName(lk, k))
                found = i;
        }
    }

    if (!value) {  // remove the key, with any duplicate that would take its place
        if (found == std::string::npos)
            return 1;
        std::string lk, lv;
        for (size_t i = r.end; i-- > found;) {
            if (KeyValueOf(ini.lines[i].text, &lk, &lv) && SameName(lk, k))
                ini.lines.erase(ini.lines.begin() + static_cast<long>(i));
        }
        return Save(file, ini) ? 1 : 0;
    }

    const std::string entry = k + "=" + value;
    if (found != std::string::npos) {
        std::string oldKey, oldValue;
        KeyValueOf(ini.lines[found].text, &oldKey, &oldValue);
        std::string replaced = oldKey + "=" + value;
        if (ini.lines[found].text == replaced)
            return 1;  // unchanged: leave the file alone
        ini.lines[found].text = replaced;
        CloseLine(ini.lines[found], ini.eol);
    } else {
        // The line before the new ones must end, or the new text would join it.
        auto closeLine = [&ini](size_t at) {
            if (at < ini.lines.size())
                CloseLine(ini.lines[at], ini.eol);
        };
        if (r.header == std::string::npos) {
            if (!ini.lines.empty())
                closeLine(ini.lines.size() - 1);
            ini.lines.push_back({"[" + name + "]", ini.eol});
            ini.lines.push_back({entry, ini.eol});
        } else {
            closeLine(lastEntry);
            ini.lines.insert(ini.lines.begin() + static_cast<long>(lastEntry) + 1,
                             Line{entry, ini.eol});
        }
    }
    return Save(file, ini) ? 1 : 0;
}

BOOL WritePrivateProfileInt(const char* section, const char* key, int value, const char* file) {
    return WritePrivateProfileString(section, key, std::to_string(value).c_str(), file);
}
