#include "playlist/file_copier.h"

#include <QCoreApplication>

#include <QString>
#include <cerrno>
#include <cstring>

namespace {

// The C library writes its reasons in its own locale, which need not be the program's
// language: the reasons a copy meets in practice get texts of ours.
QString ReasonText(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return QCoreApplication::translate("FileCopier", "空き容量が足りません");
        case EACCES:
        case EPERM:
            return QCoreApplication::translate("FileCopier", "アクセスが拒否されました");
        case ENOENT:
        case ENOTDIR:
            return QCoreApplication::translate("FileCopier", "フォルダーが見つかりません");
        case EROFS:
            return QCoreApplication::translate("FileCopier", "読み取り専用のドライブです");
        case ENAMETOOLONG:
            return QCoreApplication::translate("FileCopier", "名前が長すぎます");
        case 0:
        case EIO:
            return QCoreApplication::translate("FileCopier", "入出力エラーが発生しました");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

}  // namespace

std::string CopyStatusText(const CopyOutcome& outcome) {
    switch (outcome.status) {
        case CopyStatus::Copied:
            return QCoreApplication::translate("FileCopier", "コピーしました").toStdString();
        case CopyStatus::SourceMissing:
            return QCoreApplication::translate("FileCopier", "コピー元のファイルを開けません")
                .toStdString();
        case CopyStatus::TargetExists:
            return QCoreApplication::translate("FileCopier",
                                               "コピー先に同じ名前のファイルがあります")
                .toStdString();
        case CopyStatus::SameFile:
            return QCoreApplication::translate("FileCopier", "コピー元とコピー先が同じファイルです")
                .toStdString();
        case CopyStatus::TooLong:
            return QCoreApplication::translate("FileCopier", "コピー先の名前が長すぎます")
                .toStdString();
        case CopyStatus::WriteFailed:
            return QCoreApplication::translate("FileCopier", "コピー先に書き込めません (%1)")
                .arg(ReasonText(outcome.error))
                .toStdString();
        case CopyStatus::Cancelled:
            return QCoreApplication::translate("FileCopier", "中止しました").toStdString();
        case CopyStatus::WrittenThisRun:
            return QCoreApplication::translate("FileCopier", "このコピーで書き込んだファイルです")
                .toStdString();
    }
    return {};
}
