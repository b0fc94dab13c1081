#include "playlist/file_copier.h"

#include <QCoreApplication>

#include <QString>

#include "playlist/error_reason.h"

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
                .arg(QString::fromStdString(ErrorReason(outcome.error)))
                .toStdString();
        case CopyStatus::Cancelled:
            return QCoreApplication::translate("FileCopier", "中止しました").toStdString();
        case CopyStatus::WrittenThisRun:
            return QCoreApplication::translate("FileCopier", "このコピーで書き込んだファイルです")
                .toStdString();
    }
    return {};
}
