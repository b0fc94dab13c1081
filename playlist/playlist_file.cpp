#include "playlist/playlist_file.h"

#include <QCoreApplication>

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "playlist/error_reason.h"
#include "playlist/media_kind.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_text.h"

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
    const PathKind kind = KindOf(path);
    return kind != PathKind::Missing && kind != PathKind::Folder;
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

// The line break that makes a name unsavable would also break the message.
std::string UnsavableName(const std::string& path) {
    std::string shown = ShownName(path);
    for (char& c : shown) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return shown;
}

std::string SaveErrorText(const std::string& playlistPath, int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return QCoreApplication::translate("PlaylistFile", "保存先のフォルダーが存在しません。")
                .toStdString();
        case EACCES:
        case EPERM:
        case EROFS:
            if (KindOf(playlistPath) != PathKind::Missing)
                return QCoreApplication::translate("PlaylistFile",
                                                   "ファイルに書き込む権限がありません。")
                    .toStdString();
            return QCoreApplication::translate("PlaylistFile",
                                               "フォルダーに書き込む権限がありません。")
                .toStdString();
        case ENOSPC:
        case EDQUOT:
            return QCoreApplication::translate("PlaylistFile", "ディスクの空き容量が足りません。")
                .toStdString();
        default:
            return ErrorSentence(error);
    }
}

// True when a reader of the playlist in folder base takes line (the first line of the
// file when first) for row: row is one of the line's readings, and no reading before it
// names a file that exists.
bool ReadsBackAs(const std::string& base, std::string line, bool first, const std::string& row) {
    if (line.find_first_of("\r\n") != std::string::npos || line.size() >= kMaxLineBytes)
        return false;
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    // Read as a program that plays every kind would read it: a list saved now may be
    // loaded while tunewell is there.
    for (const std::string& candidate : PlaylistEntryCandidates(base, line, true)) {
        if (candidate == row)
            return true;
        if (IsListableFile(candidate))
            return false;
    }
    return false;
}

}  // namespace

std::string MakeRelativePath(const std::string& playlistPath, const std::string& itemPath) {
    const std::vector<std::string> from = SplitAtSlash(FolderOf(playlistPath));
    std::vector<std::string> to = SplitAtSlash(itemPath);
    const std::string fileName = to.back();
    to.pop_back();

    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;

    std::string result;
    for (std::size_t i = common; i < from.size(); ++i) result += "../";
    for (std::size_t i = common; i < to.size(); ++i) {
        result += to[i];
        result += '/';
    }
    result += fileName;
    return result;
}

std::vector<std::string> PlaylistEntryCandidates(const std::string& base, const std::string& line,
                                                 bool oggLoaded) {
    std::vector<std::string> candidates;
    if (line.size() < 2 || line[0] == '#' || !FitsMaxPath(line))
        return candidates;
    if (!IsKnownExtension(UpperExtensionOf(line), oggLoaded))
        return candidates;
    // A drive path of the Windows build names nothing here; joined to a folder it would
    // only ever find some unrelated file.
    if (line[1] == ':' && line[0] != '/' && line[0] != '.')
        return candidates;

    // Two readings: a Linux line, where only '/' separates and a backslash belongs to the
    // name, and a Windows line, where both separate. A line holding '/' was written on
    // Linux (ours always hold one where the difference matters), so its own reading wins.
    std::string linuxReading;
    std::string windowsReading;
    if (line[0] == '/') {
        linuxReading = line;
        windowsReading = SlashesFromBackslashes(line);
    } else {
        std::string folder = base;
        std::string rest = line;
        while (rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
        while (rest.compare(0, 3, "../") == 0) {
            const auto slash = folder.rfind('/');
            if (slash == std::string::npos)
                break;
            folder.resize(slash);
            rest.erase(0, 3);
        }
        linuxReading = folder + "/" + rest;

        folder = base;
        rest = SlashesFromBackslashes(line);
        while (rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
        while (StartsWithClimb(rest)) {
            const auto slash = folder.rfind('/');
            if (slash == std::string::npos)
                break;
            folder.resize(slash);
            rest.erase(0, 3);
        }
        windowsReading = folder + "/" + rest;
    }
    const bool linuxFirst = line.find('/') != std::string::npos;
    for (const std::string& c : linuxFirst
                                    ? std::vector<std::string>{linuxReading, windowsReading}
                                    : std::vector<std::string>{windowsReading, linuxReading}) {
        if (FitsMaxPath(c) &&
            std::find(candidates.begin(), candidates.end(), c) == candidates.end())
            candidates.push_back(c);
    }
    return candidates;
}

std::string ResolvePlaylistEntry(const std::string& base, const std::string& line, bool oggLoaded) {
    for (const std::string& candidate : PlaylistEntryCandidates(base, line, oggLoaded)) {
        if (IsListableFile(candidate))
            return candidate;
    }
    return {};
}

bool PlaylistWriter::IsOwnFlavour(const std::string& playlistPath) {
    return UpperExtensionOf(playlistPath) == "VPL";
}

namespace {

std::vector<PlaylistItem> Untitled(const std::vector<std::string>& rows) {
    std::vector<PlaylistItem> items;
    items.reserve(rows.size());
    for (const std::string& row : rows) items.push_back(PlaylistItem{row, {}, -1});
    return items;
}

// The entry's information line; a title can hold no line break of its own.
std::string ExtinfLine(const PlaylistItem& item) {
    std::string title = item.title.empty() ? BaseNameOf(item.path) : item.title;
    for (char& c : title) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return "#EXTINF:" + std::to_string(item.seconds >= 0 ? item.seconds : -1) + "," + title +
           "\r\n";
}

}  // namespace

std::string PlaylistWriter::Format(const std::string& playlistPath,
                                   const std::vector<std::string>& rows, bool oggLoaded,
                                   std::vector<std::string>* unsavable) {
    return FormatItems(playlistPath, Untitled(rows), oggLoaded, unsavable);
}

std::string PlaylistWriter::FormatItems(const std::string& playlistPath,
                                        const std::vector<PlaylistItem>& items, bool oggLoaded,
                                        std::vector<std::string>* unsavable) {
    const bool own = IsOwnFlavour(playlistPath);
    const std::string base = FolderOf(playlistPath);
    std::string text = own ? "" : "#EXTM3U\r\n";
    bool first = own;
    for (const PlaylistItem& item : items) {
        const std::string& row = item.path;
        if (row.empty())
            continue;
        std::vector<std::string> forms;
        if (playlistPath.empty() || row[0] != playlistPath[0]) {
            forms.push_back(row);
        } else {
            if (!own && !IsAudioExtension(UpperExtensionOf(row), oggLoaded))
                continue;
            const std::string relative = MakeRelativePath(playlistPath, row);
            forms = {relative, "./" + relative, row};
        }
        // A kind no reader lists is not lost by the round trip either way: it goes as it is,
        // as long as it stays one line.
        const bool listable = IsKnownExtension(UpperExtensionOf(row), true);
        const auto fits = std::find_if(forms.begin(), forms.end(), [&](const std::string& form) {
            if (!listable)
                return form.find_first_of("\r\n") == std::string::npos;
            // Other players' lists take such a line for a URI.
            if (!own && HasUriScheme(form))
                return false;
            return ReadsBackAs(base, form, first, row);
        });
        if (fits == forms.end()) {
            if (unsavable)
                unsavable->push_back(row);
            continue;
        }
        if (!own)
            text += ExtinfLine(item);
        text += *fits;
        text += "\r\n";
        first = false;
    }
    return text;
}

PlaylistIoResult PlaylistWriter::Write(const std::string& playlistPath,
                                       const std::vector<std::string>& rows, bool oggLoaded) {
    return WriteItems(playlistPath, Untitled(rows), oggLoaded);
}

PlaylistIoResult PlaylistWriter::WriteItems(const std::string& playlistPath,
                                            const std::vector<PlaylistItem>& rows, bool oggLoaded) {
    PlaylistIoResult result;
    if (!FitsMaxPath(playlistPath)) {
        result.error = ShownName(playlistPath) +
                       QCoreApplication::translate("PlaylistFile", "\nこの名前では保存できません。")
                           .toStdString();
        return result;
    }
    std::vector<std::string> unsavable;
    const std::string text = FormatItems(playlistPath, rows, oggLoaded, &unsavable);
    if (!unsavable.empty()) {
        // Saving without them would lose them silently on the next load.
        result.error = QCoreApplication::translate(
                           "PlaylistFile",
                           "次のファイルの名前はプレイリストに書けないため、保存を中止しました。")
                           .toStdString() +
                       NameLines(unsavable, UnsavableName);
        return result;
    }
    const int error = AtomicFile::ReplaceContents(playlistPath, text);
    if (error != 0) {
        result.error =
            ShownName(playlistPath) +
            QCoreApplication::translate("PlaylistFile", "\nに保存できません。").toStdString() +
            SaveErrorText(playlistPath, error);
        qWarning() << "playlist: cannot write" << QByteArray::fromStdString(playlistPath)
                   << std::strerror(error);
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
    std::string bytes;
    const PlaylistIoResult result = ReadPlaylistBytes(playlistPath, &bytes);
    *paths = result.ok ? Parse(playlistPath, bytes, oggLoaded) : std::vector<std::string>{};
    return result;
}
