#include "playlist/error_reason.h"

#include <QCoreApplication>

#include <QString>
#include <cerrno>
#include <cstring>

std::string ErrorReason(int error) {
    const char* text = nullptr;
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            text = QT_TRANSLATE_NOOP("ErrorReason", "空き容量が足りません");
            break;
        case EACCES:
        case EPERM:
            text = QT_TRANSLATE_NOOP("ErrorReason", "アクセスが拒否されました");
            break;
        case ENOENT:
        case ENOTDIR:
            text = QT_TRANSLATE_NOOP("ErrorReason", "ファイルまたはフォルダーが見つかりません");
            break;
        case EROFS:
            text = QT_TRANSLATE_NOOP("ErrorReason", "読み取り専用のドライブです");
            break;
        case ENAMETOOLONG:
            text = QT_TRANSLATE_NOOP("ErrorReason", "名前が長すぎます");
            break;
        case 0:
        case EIO:
            text = QT_TRANSLATE_NOOP("ErrorReason", "入出力エラーが発生しました");
            break;
        default:
            return QString::fromLocal8Bit(std::strerror(error)).toStdString();
    }
    return QCoreApplication::translate("ErrorReason", text).toStdString();
}
