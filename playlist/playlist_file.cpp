#include "playlist/playlist_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "playlist/media_kind.h"
#include "playlist/path_helpers.h"

namespace {

// Longer lines cannot hold a path we accept; they are dropped whole, never cut into
// pieces that could each look like a path.
constexpr std::size_t kMaxLineBytes = 2 * kMaxPath;

std::vector<std::string> SplitAtSlash(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const auto slash = text.find('/', start);
        if (slash == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
}

bool IsListableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string SlashesFromBackslashes(std::string text) {
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

bool StartsWithClimb(const std::string& text) {
    return text.size() >= 3 && text[0] == '.' && text[1] == '.' &&
           (text[2] == '\\' || text[2] == '/');
}

// Feeds bytes in any chunking and hands out complete lines without terminator.
class LineSplitter {
  public:
    template <typename Fn>
    void Feed(const char* data, std::size_t size, Fn&& onLine) {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\n') {
                Emit(onLine);
                continue;
            }
            if (m_bOverlong)
                continue;
            if (m_Line.size() >= kMaxLineBytes) {
                m_bOverlong = true;
                m_Line.clear();
                continue;
            }
            m_Line.push_back(c);
        }
    }
    template <typename Fn>
    void Finish(Fn&& onLine) {
        if (!m_Line.empty() || m_bOverlong)
            Emit(onLine);
    }

  private:
    template <typename Fn>
    void Emit(Fn&& onLine) {
        if (!m_bOverlong) {
            if (!m_Line.empty() && m_Line.back() == '\r')
                m_Line.pop_back();
            onLine(m_Line);
        }
        m_Line.clear();
        m_bOverlong = false;
    }

    std::string m_Line;
    bool m_bOverlong = false;
};

class EntryCollector {
  public:
    EntryCollector(const std::string& playlistPath, bool oggLoaded, std::vector<std::string>* out)
        : m_Base(FolderOf(playlistPath)), m_bOgg(oggLoaded), m_pOut(out) {}

    void operator()(std::string line) {
        if (m_bFirst) {
            m_bFirst = false;
            // M3U8 files from other players often start with a byte order mark.
            if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
                line.erase(0, 3);
        }
        std::string path = ResolvePlaylistEntry(m_Base, line, m_bOgg);
        if (!path.empty())
            m_pOut->push_back(std::move(path));
    }

  private:
    std::string m_Base;
    bool m_bOgg;
    std::vector<std::string>* m_pOut;
    bool m_bFirst = true;
};

}  // namespace

std::string MakeRelativePath(const std::string& playlistPath, const std::string& itemPath) {
    const std::vector<std::string> from = SplitAtSlash(FolderOf(playlistPath));
    std::vector<std::string> to = SplitAtSlash(itemPath);
    const std::string fileName = to.back();
    to.pop_back();

    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;

    std::string result;
    for (std::size_t i = common; i < from.size(); ++i) result += "..\\";
    for (std::size_t i = common; i < to.size(); ++i) {
        result += to[i];
        result += '\\';
    }
    result += fileName;
    return result;
}

std::string ResolvePlaylistEntry(const std::string& base, const std::string& line, bool oggLoaded) {
    if (line.size() < 2 || line[0] == '#' || !FitsMaxPath(line))
        return {};
    if (!IsKnownExtension(UpperExtensionOf(line), oggLoaded))
        return {};

    std::string candidate;
    if (line[0] == '/' || line[1] == ':') {
        candidate = line;
    } else {
        std::string folder = base;
        std::string rest = line;
        while (StartsWithClimb(rest)) {
            const auto slash = folder.rfind('/');
            if (slash == std::string::npos)
                break;
            folder.resize(slash);
            rest.erase(0, 3);
        }
        candidate = folder + "/" + rest;
    }
    if (!FitsMaxPath(candidate))
        return {};
    // Backslashes are folder separators in files written by either build; a Linux file
    // name may hold a backslash of its own, so the literal reading is tried second.
    const std::string converted = SlashesFromBackslashes(candidate);
    if (IsListableFile(converted))
        return converted;
    if (converted != candidate && IsListableFile(candidate))
        return candidate;
    return {};
}

bool PlaylistWriter::IsOwnFlavour(const std::string& playlistPath) {
    return UpperExtensionOf(playlistPath) == "VPL";
}

std::string PlaylistWriter::Format(const std::string& playlistPath,
                                   const std::vector<std::string>& rows, bool oggLoaded) {
    const bool own = IsOwnFlavour(playlistPath);
    std::string text;
    for (const std::string& row : rows) {
        if (row.empty())
            continue;
        if (playlistPath.empty() || row[0] != playlistPath[0]) {
            text += row;
        } else {
            if (!own && !IsAudioExtension(UpperExtensionOf(row), oggLoaded))
                continue;
            text += MakeRelativePath(playlistPath, row);
        }
        text += "\r\n";
    }
    return text;
}

PlaylistIoResult PlaylistWriter::Write(const std::string& playlistPath,
                                       const std::vector<std::string>& rows, bool oggLoaded) {
    PlaylistIoResult result;
    const QString name = QFile::decodeName(QByteArray::fromStdString(playlistPath));
    if (!FitsMaxPath(playlistPath) || QFile::encodeName(name).toStdString() != playlistPath) {
        result.error = playlistPath + "\nこの名前では保存できません。";
        return result;
    }
    const std::string text = Format(playlistPath, rows, oggLoaded);
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        const std::string folder = FolderOf(playlistPath);
        if (::access(folder.empty() ? "/" : folder.c_str(), W_OK) != 0)
            result.error =
                playlistPath + "\nに保存できません。フォルダーに書き込む権限がありません。";
        else
            result.error =
                playlistPath + "\nに保存できません。\n" + file.errorString().toStdString();
        qWarning() << "playlist: cannot create" << name << file.errorString();
        return result;
    }
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        result.error =
            playlistPath + "\nに保存できませんでした。\n" + file.errorString().toStdString();
        qWarning() << "playlist: cannot write" << name << file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<std::string> PlaylistReader::Parse(const std::string& playlistPath,
                                               const std::string& bytes, bool oggLoaded) {
    std::vector<std::string> paths;
    EntryCollector collect(playlistPath, oggLoaded, &paths);
    LineSplitter splitter;
    splitter.Feed(bytes.data(), bytes.size(), collect);
    splitter.Finish(collect);
    return paths;
}

PlaylistIoResult PlaylistReader::Read(const std::string& playlistPath, bool oggLoaded,
                                      std::vector<std::string>* paths) {
    PlaylistIoResult result;
    paths->clear();
    // Non-blocking so that a fifo named like a playlist cannot hang the open.
    const int fd = ::open(playlistPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = fd < 0 ? errno : EINVAL;
        if (fd >= 0)
            ::close(fd);
        result.error = playlistPath + "\nを開けません。\n" + std::strerror(err);
        return result;
    }
    EntryCollector collect(playlistPath, oggLoaded, paths);
    LineSplitter splitter;
    std::vector<char> buffer(64 * 1024);
    while (true) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = playlistPath + "\nを読み込めません。\n" + std::strerror(errno);
            ::close(fd);
            return result;
        }
        if (got == 0)
            break;
        splitter.Feed(buffer.data(), static_cast<std::size_t>(got), collect);
    }
    splitter.Finish(collect);
    ::close(fd);
    result.ok = true;
    return result;
}
