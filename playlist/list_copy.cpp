#include "playlist/list_copy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include "platform/file_system.h"
#include "platform/user_prompts.h"
#include "playlist/copy_dialog.h"
#include "playlist/copy_job.h"
#include "playlist/copy_progress_dialog.h"
#include "playlist/file_prompt.h"
#include "playlist/name_lines.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"

Q_LOGGING_CATEGORY(lcCopy, "veltra.copy", QtWarningMsg)

namespace {

constexpr const char* kProgramName = "VELTRA";

bool IsUsableRenameName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxRenameBytes && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

std::string FailureReport(const CopyRunResult& run) {
    std::string text;
    if (!run.failures.empty()) {
        std::vector<std::string> lines;
        for (const CopyFailure& f : run.failures)
            lines.push_back(ShownName(FileNameOf(f.source)) + " : " + CopyStatusText(f.outcome));
        text = QCoreApplication::translate("ListCopy", "次のファイルはコピーできませんでした。")
                   .toStdString() +
               NameLines(lines, [](const std::string& line) { return line; });
    }
    if (run.cancelled) {
        if (!text.empty())
            text += "\n\n";
        text +=
            QCoreApplication::translate(
                "ListCopy", "コピーを停止しました。残りの %1 個のファイルはコピーしていません。")
                .arg(QString::number(run.notAttempted))
                .toStdString();
    }
    return text;
}

// Every message of the command goes through here, so the log tells what the user was told.
void Tell(QWidget* owner, const std::string& text, unsigned style) {
    qCInfo(lcCopy, "copy: message: %s", text.c_str());
    Prompts().MessageBox(owner, text, kProgramName, style);
}

}  // namespace

bool AskWithCopyDialog(QWidget* owner, CopyRequest* request) {
    std::string folder = LastPromptFolder();
    if (folder.empty())
        folder = QFile::encodeName(QDir::currentPath()).toStdString();
    CopyDialog dialog(owner, folder);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request->renameName = dialog.RenameName();
    request->destination = dialog.Destination();
    return true;
}

QPointer<CopyJob> CopyListFiles(QWidget* owner, PlaylistCtrl& list,
                                QPointer<CopyProgressDialog>& progress, const CopyAsk& ask,
                                const CopyRunner& run) {
    if (list.RowCount() == 0) {
        Tell(owner,
             QCoreApplication::translate("ListCopy",
                                         "リスト内にコピーするコンテンツが存在しません。")
                 .toStdString(),
             MB_OK);
        return nullptr;
    }
    if (list.RowCount() > kMaxCopyRows) {
        Tell(owner,
             QCoreApplication::translate("ListCopy",
                                         "リスト内のファイルが %1 個あります。000～999 "
                                         "の番号を付けてコピーできるのは %2 個までです。")
                 .arg(list.RowCount())
                 .arg(kMaxCopyRows)
                 .toStdString(),
             MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    CopyRequest request;
    if (!ask || !ask(owner, &request))
        return nullptr;
    if (progress && progress->isVisible()) {
        // A copy is already running: this command stops it.
        progress->close();
        return nullptr;
    }
    if (!IsUsableRenameName(request.renameName)) {
        Tell(owner,
             QCoreApplication::translate("ListCopy", "リネーム名に使えない文字が含まれています。")
                 .toStdString(),
             MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    if (KindOf(request.destination) != PathKind::Folder) {
        Tell(owner,
             QCoreApplication::translate("ListCopy", "コピー先のフォルダー %1 がありません。")
                 .arg(QString::fromStdString(ShownName(request.destination)))
                 .toStdString(),
             MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    if (!CanWriteInto(request.destination)) {
        // Said once up front rather than once per file after a progress window for nothing.
        Tell(owner,
             QCoreApplication::translate("ListCopy", "コピー先のフォルダー %1 に書き込めません。")
                 .arg(QString::fromStdString(ShownName(request.destination)))
                 .toStdString(),
             MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    if (progress)
        progress->deleteLater();  // hidden by Escape: its copy has already stopped

    QPointer<CopyProgressDialog> mine = new CopyProgressDialog(owner);
    progress = mine;
    mine->show();

    const std::vector<std::string> sources = list.Paths();
    const std::size_t count = sources.size();
    auto* job = new CopyJob(
        sources, request, run,
        [mine](int percent) {
            if (mine)
                mine->SetProgress(percent);
        },
        [owner = QPointer<QWidget>(owner), mine, count, request](const CopyRunResult& result) {
            if (mine)
                mine->close();
            qCInfo(lcCopy, "copy: %d of %zu copied to %s%s", result.copied, count,
                   request.destination.c_str(), result.cancelled ? ", stopped" : "");
            const std::string report = FailureReport(result);
            if (!report.empty())
                Tell(owner, report, MB_OK | MB_ICONWARNING);
        },
        owner);
    // "停止", Escape or the command again close or hide the window: the copy stops with it.
    QObject::connect(mine, &QObject::destroyed, job, &CopyJob::Cancel);
    QObject::connect(mine, &CopyProgressDialog::Hidden, job, &CopyJob::Cancel);
    job->Start();
    return job;
}
