#include "playlist/add_policy.h"

#include <QCoreApplication>

#include <QString>

#include "playlist/media_kind.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"

namespace {

void AddMessage(std::vector<std::string>* messages, const char* text,
                const std::vector<std::string>& paths) {
    if (!paths.empty())
        messages->push_back(QCoreApplication::translate("PlaylistCtrl", text).toStdString() +
                            NameLines(paths));
}

}  // namespace

AddStep AddStepFor(const std::string& path, bool oggLoaded) {
    const std::string ext = UpperExtensionOf(path);
    if (!IsKnownExtension(ext, oggLoaded))
        return AddStep::Ignore;
    if (!FitsMaxPath(path))
        return AddStep::RefuseTooLong;
    if (IsPlaylistExtension(ext))
        return AddStep::LoadPlaylist;
    return AddStep::Insert;
}

std::vector<std::string> AddReportMessages(const AddReport& report) {
    std::vector<std::string> messages;
    AddMessage(
        &messages,
        QT_TRANSLATE_NOOP("PlaylistCtrl", "パスが長すぎるため、次の項目を追加できませんでした。"),
        report.tooLong);
    AddMessage(&messages,
               QT_TRANSLATE_NOOP("PlaylistCtrl",
                                 "階層が深すぎるため、次のフォルダーの中は追加しませんでした。"),
               report.tooDeep);
    AddMessage(&messages, QT_TRANSLATE_NOOP("PlaylistCtrl", "次のプレイリストを開けませんでした。"),
               report.failedPlaylists);
    return messages;
}
