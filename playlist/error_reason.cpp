#include "playlist/error_reason.h"

#include <QCoreApplication>

#include <QString>
#include <cerrno>
#include <cstring>

namespace {

struct Reason {
    const char* phrase;
    const char* sentence;
};

// Nothing for a reason of the C library's own.
const Reason* OurReason(int error) {
    static const Reason kNoSpace = {QT_TRANSLATE_NOOP("ErrorReason", "空き容量が足りません"),
                                    QT_TRANSLATE_NOOP("ErrorReason", "空き容量が足りません。")};
    static const Reason kDenied = {QT_TRANSLATE_NOOP("ErrorReason", "アクセスが拒否されました"),
                                   QT_TRANSLATE_NOOP("ErrorReason", "アクセスが拒否されました。")};
    static const Reason kNotFound = {
        QT_TRANSLATE_NOOP("ErrorReason", "ファイルまたはフォルダーが見つかりません"),
        QT_TRANSLATE_NOOP("ErrorReason", "ファイルまたはフォルダーが見つかりません。")};
    static const Reason kReadOnly = {
        QT_TRANSLATE_NOOP("ErrorReason", "読み取り専用のドライブです"),
        QT_TRANSLATE_NOOP("ErrorReason", "読み取り専用のドライブです。")};
    static const Reason kTooLong = {QT_TRANSLATE_NOOP("ErrorReason", "名前が長すぎます"),
                                    QT_TRANSLATE_NOOP("ErrorReason", "名前が長すぎます。")};
    static const Reason kInputOutput = {
        QT_TRANSLATE_NOOP("ErrorReason", "入出力エラーが発生しました"),
        QT_TRANSLATE_NOOP("ErrorReason", "入出力エラーが発生しました。")};
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return &kNoSpace;
        case EACCES:
        case EPERM:
            return &kDenied;
        case ENOENT:
        case ENOTDIR:
            return &kNotFound;
        case EROFS:
            return &kReadOnly;
        case ENAMETOOLONG:
            return &kTooLong;
        case 0:
        case EIO:
            return &kInputOutput;
        default:
            return nullptr;
    }
}

std::string Translated(const char* text) {
    return QCoreApplication::translate("ErrorReason", text).toStdString();
}

std::string CLibraryReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error)).toStdString();
}

}  // namespace

std::string ErrorReason(int error) {
    const Reason* reason = OurReason(error);
    return reason ? Translated(reason->phrase) : CLibraryReason(error);
}

std::string ErrorSentence(int error) {
    const Reason* reason = OurReason(error);
    // The C library's reasons are capitalised phrases ("Cross-device link").
    return reason ? Translated(reason->sentence) : CLibraryReason(error) + ".";
}
