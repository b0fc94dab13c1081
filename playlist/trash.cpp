#include "playlist/trash.h"

#include <QByteArray>
#include <QDebug>
#include <QFile>

#include "playlist/path_helpers.h"

namespace {

std::string Lossy(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

}  // namespace

TrashResult MoveToTrash(const std::string& path) {
    TrashResult result;
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    // A name the toolkit cannot represent would make it trash some other file or none;
    // refuse rather than guess.
    if (QFile::encodeName(name).toStdString() != path) {
        result.error = Lossy(FileNameOf(path)) +
                       " はファイル名の文字を扱えないため、ごみ箱へ移動できませんでした。";
        return result;
    }
    if (!QFile::moveToTrash(name)) {
        qWarning() << "playlist: cannot move to trash" << name;
        result.error = Lossy(FileNameOf(path)) + " をごみ箱へ移動できませんでした。";
        return result;
    }
    result.ok = true;
    return result;
}
