#include "playlist/trash.h"

#include <QCoreApplication>

#include <QDebug>
#include <QString>

#include "platform/desktop_trash.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"

TrashResult MoveToTrash(const std::string& path) {
    TrashResult result;
    std::string why;
    if (!MoveFileToDesktopTrash(path, &why)) {
        qWarning() << "playlist: cannot move to trash" << QByteArray::fromStdString(path)
                   << QString::fromStdString(why);
        result.error = QCoreApplication::translate("Trash", "%1 をごみ箱へ移動できませんでした。\n")
                           .arg(QString::fromStdString(ShownName(FileNameOf(path))))
                           .toStdString() +
                       why;
        return result;
    }
    result.ok = true;
    return result;
}
