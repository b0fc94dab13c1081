#include "playlist/playlist_loader.h"

#include <QCoreApplication>
#include <QString>

#include "playlist/m3u_reader.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_text.h"
#include "playlist/pls_reader.h"
#include "playlist/xspf_reader.h"

namespace {

std::string Refusal(const std::string& playlistPath, const char* text) {
    return ShownName(playlistPath) +
           QCoreApplication::translate("PlaylistFile", text).toStdString();
}

PlaylistLoad Finished(const std::string& playlistPath, bool readAsList,
                      std::vector<PlaylistItem> items) {
    PlaylistLoad load;
    if (!readAsList) {
        load.error =
            Refusal(playlistPath,
                    QT_TRANSLATE_NOOP("PlaylistFile", "\nはプレイリストとして読み込めません。"));
    } else if (items.empty()) {
        // Replacing the user's rows with nothing would only lose them.
        load.error = Refusal(
            playlistPath,
            QT_TRANSLATE_NOOP("PlaylistFile", "\nには、リストに追加できるファイルがありません。"));
    } else {
        load.ok = true;
        load.items = std::move(items);
    }
    return load;
}

}  // namespace

std::vector<PlaylistItem> ResolvedItems(const std::string& playlistPath,
                                        std::vector<PlaylistItem> entries, bool oggLoaded) {
    const std::string base = FolderOf(playlistPath);
    std::vector<PlaylistItem> items;
    for (PlaylistItem& entry : entries) {
        entry.path = ResolveForeignEntry(base, entry.path, oggLoaded);
        if (!entry.path.empty())
            items.push_back(std::move(entry));
    }
    return items;
}

PlaylistLoad PlaylistLoader::Parse(const std::string& playlistPath, const std::string& bytes,
                                   bool oggLoaded) {
    const std::string ext = UpperExtensionOf(playlistPath);
    std::vector<PlaylistItem> items;
    bool readAsList = true;
    if (ext == "PLS")
        readAsList = PlsReader::Parse(playlistPath, bytes, oggLoaded, &items);
    else if (ext == "XSPF")
        readAsList = XspfReader::Parse(playlistPath, bytes, oggLoaded, &items);
    else
        items = M3uReader::Parse(playlistPath, bytes, oggLoaded);
    return Finished(playlistPath, readAsList, std::move(items));
}

PlaylistLoad PlaylistLoader::Load(const std::string& playlistPath, bool oggLoaded) {
    if (PlaylistWriter::IsOwnFlavour(playlistPath)) {
        std::vector<std::string> paths;
        const PlaylistIoResult read = PlaylistReader::Read(playlistPath, oggLoaded, &paths);
        if (!read.ok) {
            PlaylistLoad load;
            load.error = read.error;
            return load;
        }
        std::vector<PlaylistItem> items;
        items.reserve(paths.size());
        for (std::string& path : paths) items.push_back(PlaylistItem{std::move(path), {}, -1});
        return Finished(playlistPath, true, std::move(items));
    }
    std::string bytes;
    const PlaylistIoResult read = ReadPlaylistBytes(playlistPath, &bytes);
    if (!read.ok) {
        PlaylistLoad load;
        load.error = read.error;
        return load;
    }
    return Parse(playlistPath, bytes, oggLoaded);
}
