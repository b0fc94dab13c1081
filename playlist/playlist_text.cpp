#include "playlist/playlist_text.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "playlist/path_helpers.h"
#include "playlist/uri_list.h"

namespace {

// A list of a million entries stays well below this; a larger file is no list.
constexpr off_t kMaxListBytes = 64 * 1024 * 1024;

std::string CannotOpen(const std::string& playlistPath, int error) {
    return playlistPath +
           QCoreApplication::translate("PlaylistFile", "\nを開けません。\n").toStdString() +
           std::strerror(error);
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
    PlaylistIoResult result;
    bytes->clear();
    const int fd = ::open(playlistPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxListBytes) {
        const int err = fd < 0 ? errno : (S_ISREG(st.st_mode) ? EFBIG : EINVAL);
        if (fd >= 0)
            ::close(fd);
        result.error = CannotOpen(playlistPath, err);
        return result;
    }
    char buffer[64 * 1024];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = playlistPath +
                           QCoreApplication::translate("PlaylistFile", "\nを読み込めません。\n")
                               .toStdString() +
                           std::strerror(errno);
            ::close(fd);
            return result;
        }
        if (got == 0)
            break;
        // The file may have grown since it was looked at.
        if (bytes->size() + static_cast<std::size_t>(got) >
            static_cast<std::size_t>(kMaxListBytes)) {
            ::close(fd);
            result.error = CannotOpen(playlistPath, EFBIG);
            return result;
        }
        bytes->append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    result.ok = true;
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
