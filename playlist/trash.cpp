#include "playlist/trash.h"

#include <QCoreApplication>

#include <QDebug>
#include <QString>
#include <cerrno>

#include "platform/desktop_trash.h"
#include "playlist/error_reason.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"

namespace {

// GIO writes its reasons in the C library's locale; the common ones are said in ours.
std::string TrashFailureReason(int errorNumber, const std::string& gioReason) {
    if (errorNumber == ENOTSUP)
        return QCoreApplication::translate("Trash", "このドライブにはごみ箱がありません。")
            .toStdString();
    return errorNumber ? ErrorSentence(errorNumber) : gioReason;
}

}  // namespace

TrashResult MoveToTrash(const std::string& path) {
    TrashResult result;
    std::string why;
    int errorNumber = 0;
    if (!MoveFileToDesktopTrash(path, &why, &errorNumber)) {
        qWarning() << "playlist: cannot move to trash" << QByteArray::fromStdString(path)
                   << QString::fromStdString(why);
        result.error = QCoreApplication::translate("Trash", "%1 をごみ箱へ移動できませんでした。\n")
                           .arg(QString::fromStdString(BoxName(FileNameOf(path))))
                           .toStdString() +
                       TrashFailureReason(errorNumber, why);
        return result;
    }
    result.ok = true;
    return result;
}
