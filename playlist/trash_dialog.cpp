#include "playlist/trash_dialog.h"

#include <QCoreApplication>

#include <QString>

#include "platform/user_prompts.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"
#include "playlist/trash.h"

namespace {

constexpr const char* kProgramName = "VELTRA";

}  // namespace

TrashAnswer AskAndTrash(QWidget* owner, const std::string& path) {
    const int answer = Prompts().MessageBox(
        owner,
        QCoreApplication::translate("PlaylistCtrl", "%1 を削除して、ごみ箱へ移動してもよいですか？")
            .arg(QString::fromStdString(BoxName(FileNameOf(path))))
            .toStdString(),
        QCoreApplication::translate("PlaylistCtrl", "選択ファイル削除").toStdString(),
        MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES)
        return TrashAnswer::Declined;
    const TrashResult trashed = MoveToTrash(path);
    if (!trashed.ok) {
        Prompts().MessageBox(owner, trashed.error, kProgramName, MB_OK | MB_ICONWARNING);
        return TrashAnswer::Failed;
    }
    return TrashAnswer::Trashed;
}
