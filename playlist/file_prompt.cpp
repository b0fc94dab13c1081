#include "playlist/file_prompt.h"

#include <QCoreApplication>

#include <QString>
#include <vector>

#include "platform/file_system.h"
#include "platform/user_prompts.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_file.h"

namespace {

constexpr const char* kProgramName = "VELTRA";

// The first prompt starts at the root; afterwards the folder last chosen applies.
std::string& LastFolder() {
    static std::string folder;
    return folder;
}

}  // namespace

std::string LastPromptFolder() {
    return LastFolder();
}

bool PromptFileName(QWidget* owner, std::string* name, const std::string& filter, bool open) {
    FilePromptRequest request;
    request.save = !open;
    request.multiSelect = false;
    request.title =
        open ? QCoreApplication::translate("FilePrompt", "開くメディアファイル...").toStdString()
             : QCoreApplication::translate("FilePrompt", "保存するメディアファイル...")
                   .toStdString();
    request.filter = filter;
    if (name && !name->empty())
        request.initialPath = *name;
    else
        request.initialPath = LastFolder().empty() ? std::string("/") : LastFolder();

    std::vector<std::string> chosen;
    if (!Prompts().PromptForFiles(owner, request, &chosen) || chosen.empty() || chosen[0].empty())
        return false;
    std::string picked = chosen[0];
    if (!open)
        picked = WithFilterExtension(picked, request, Prompts().LastFilterIndex());
    if (!FitsMaxPath(picked)) {
        Prompts().MessageBox(owner,
                             QCoreApplication::translate(
                                 "FilePrompt", "パスが長すぎるため、このファイル名は使えません。")
                                 .toStdString(),
                             kProgramName, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!open) {
        // Said here, before anything is written, rather than as a failed write later.
        const std::string folder = FolderOf(picked);
        if (KindOf(folder.empty() ? "/" : folder) != PathKind::Folder) {
            Prompts().MessageBox(
                owner,
                QCoreApplication::translate("FilePrompt", "保存先のフォルダーが存在しません。\n%1")
                    .arg(QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size())))
                    .toStdString(),
                kProgramName, MB_OK | MB_ICONWARNING);
            return false;
        }
    }
    LastFolder() = FolderOf(picked);
    if (name)
        *name = picked;
    return true;
}

std::string OpenMediaFilter(bool oggLoaded) {
    // Each entry's display text repeats its patterns, as the dialog shows no other hint.
    auto entry = [](const std::string& title, const std::string& patterns) {
        return title + " (" + patterns + ")|" + patterns + "|";
    };
    const std::string video =
        "*.avi; *.mpg; *.mpeg; *.wmv; *.asf; *.mp4; *.m4v; *.mkv; *.webm; *.mov; *.ogv; *.3gp; "
        "*.flv; *.ts; *.m2ts";
    const std::string audio =
        std::string(oggLoaded ? "*.wav; *.mp3; *.wma; *.ogg; *.mid; *.midi"
                              : "*.wav; *.mp3; *.wma; *.mid; *.midi") +
        "; *.flac; *.opus; *.m4a; *.aac; *.oga; *.aiff; *.aif; *.ape; *.wv; *.mka";
    const std::string image = "*.bmp; *.jpg; *.jpeg; *.png; *.gif; *.webp; *.tif; *.tiff";
    return entry(QCoreApplication::translate("FilePrompt", "Video Files").toStdString(), video) +
           entry(QCoreApplication::translate("FilePrompt", "Audio Files").toStdString(), audio) +
           entry(QCoreApplication::translate("FilePrompt", "Image Files").toStdString(), image) +
           QCoreApplication::translate("FilePrompt",
                                       "Playlist Files (*.vpl; *.m3u; *.m3u8; *.pls; *.xspf)")
               .toStdString() +
           "|*.vpl; *.m3u; *.m3u8; *.pls; *.xspf|" +
           QCoreApplication::translate("FilePrompt", "All Files (*.*)").toStdString() + "|*.*;||";
}

std::string SavePlaylistFilter() {
    return QCoreApplication::translate("FilePrompt", "All Playlist Files (*.vpl)").toStdString() +
           "|*.vpl|" +
           QCoreApplication::translate("FilePrompt", "SoundPlaylist Files (*.m3u)").toStdString() +
           "|*.m3u||";
}

void OpenMediaFile(QWidget* owner, PlaylistCtrl& list) {
    std::string name;
    if (!PromptFileName(owner, &name, OpenMediaFilter(list.OggLoaded()), true))
        return;
    AddReport report;
    list.AddPath(name, &report);
    list.ShowAddReport(report);
}

void SavePlaylist(QWidget* owner, PlaylistCtrl& list) {
    std::string name;
    if (!PromptFileName(owner, &name, SavePlaylistFilter(), false))
        return;
    std::vector<PlaylistItem> rows;
    rows.reserve(static_cast<std::size_t>(list.RowCount()));
    for (int row = 0; row < list.RowCount(); ++row) {
        const PlaylistEntry& e = list.Model()->At(row);
        rows.push_back(PlaylistItem{e.path, e.title, e.seconds});
    }
    const PlaylistIoResult written = PlaylistWriter::WriteItems(name, rows, list.OggLoaded());
    if (!written.ok)
        Prompts().MessageBox(owner, written.error, kProgramName, MB_OK | MB_ICONEXCLAMATION);
}
