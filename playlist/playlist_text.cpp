#include "playlist/playlist_text.h"

#include <QCoreApplication>

#include <QByteArray>
#include <QString>
#include <cctype>
#include <cstring>

#include "platform/file_system.h"
#include "playlist/error_reason.h"
#include "playlist/path_helpers.h"
#include "playlist/uri_list.h"

namespace {

// A list of a million entries stays well below this; a larger file is no list.
constexpr std::size_t kMaxListBytes = 64 * 1024 * 1024;

PlaylistIoResult PlaylistReadResult(const std::string& playlistPath, const WholeFile& file) {
    PlaylistIoResult result;
    result.ok = file.ok();
    if (!result.ok) {
        const char* what = file.failure == WholeFile::Failure::Open
                               ? QT_TRANSLATE_NOOP("PlaylistFile", "\nを開けません。\n")
                               : QT_TRANSLATE_NOOP("PlaylistFile", "\nを読み込めません。\n");
        result.error = playlistPath +
                       QCoreApplication::translate("PlaylistFile", what).toStdString() +
                       ErrorSentence(file.error);
    }
    return result;
}

std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size() / 2));
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        text.append(QChar(static_cast<char16_t>(hi << 8 | lo)));
    }
    return text.toStdString();
}

}  // namespace

PlaylistIoResult ReadPlaylistBytes(const std::string& playlistPath, std::string* bytes) {
    WholeFile file = ReadWholeFile(playlistPath, kMaxListBytes);
    PlaylistIoResult result = PlaylistReadResult(playlistPath, file);
    *bytes = std::move(file.bytes);
    return result;
}

std::string PlaylistTextAsUtf8(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return bytes.substr(3);
    if (bytes.compare(0, 2, "\xFF\xFE") == 0)
        return Utf16ToUtf8(bytes, false);
    if (bytes.compare(0, 2, "\xFE\xFF") == 0)
        return Utf16ToUtf8(bytes, true);
    return bytes;
}

std::vector<std::string> PlaylistLines(const std::string& text, std::size_t maxLineBytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (end - start <= maxLineBytes)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text.compare(end, 2, "\r\n") == 0)
            ++start;
    }
    return lines;
}

bool HasUriScheme(const std::string& line) {
    // RFC 3986: a letter, then letters, digits, '+', '-' or '.', then ':'. One letter alone
    // is a drive of the Windows build, not a scheme.
    if (line.empty() || !std::isalpha(static_cast<unsigned char>(line[0])))
        return false;
    std::size_t i = 1;
    while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) ||
                               line[i] == '+' || line[i] == '-' || line[i] == '.'))
        ++i;
    return i >= 2 && line.compare(i, 3, "://") == 0;
}

std::string ResolveForeignEntry(const std::string& base, const std::string& entry, bool oggLoaded) {
    if (!HasUriScheme(entry))
        return ResolvePlaylistEntry(base, entry, oggLoaded);
    const std::string local = LocalPathOfFileUri(entry);
    if (local.empty() || local[0] != '/')
        return {};
    return ResolvePlaylistEntry(base, local, oggLoaded);
}

std::string LocalPathOfFileUri(const std::string& uri) {
    if (uri.size() < 7 || UpperAscii(uri.substr(0, 7)) != "FILE://")
        return {};
    std::string rest = uri.substr(7);
    const auto slash = rest.find('/');
    if (slash == std::string::npos)
        return {};
    const std::string host = UpperAscii(rest.substr(0, slash));
    if (!host.empty() && host != "LOCALHOST")
        return {};
    rest.erase(0, slash);
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            path.push_back(static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2])));
            i += 2;
        } else {
            path.push_back(rest[i]);
        }
    }
    if (path.find('\0') != std::string::npos)
        return {};
    return path;
}
