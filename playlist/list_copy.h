// Copying every listed file into one folder under a common name with a running number:
// "<folder>/<name>%03d.<EXT>", the number being the row index.
#pragma once

#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "playlist/file_copier.h"

class QWidget;
class PlaylistCtrl;
class CopyProgressDialog;

constexpr int kMaxCopyRows = 1000;  // numbers 000 to 999

struct CopyRequest {
    std::string renameName;   // at most kMaxRenameBytes bytes
    std::string destination;  // folder, no trailing '/'
};

// Target path for row index of source, or "" when it would be over-long.
std::string NumberedCopyName(const std::string& destination, const std::string& renameName,
                             int index, const std::string& sourcePath);

struct CopyFailure {
    std::string source;
    CopyOutcome outcome;
};

// The loop without any window: copies sources[i] to its numbered name. keepGoing is asked
// before each file and between chunks; progress gets (index, percent) after each file.
struct CopyRunResult {
    int copied = 0;
    bool cancelled = false;
    int notAttempted = 0;  // files left after a cancel
    std::vector<CopyFailure> failures;
};
CopyRunResult CopyNumbered(const std::vector<std::string>& sources, const CopyRequest& request,
                           const std::function<bool()>& keepGoing,
                           const std::function<void(int index, int percent)>& progress);

// How the command asks for name and folder; the product runs CopyDialog modally.
using CopyAsk = std::function<bool(QWidget* owner, CopyRequest* request)>;
bool AskWithCopyDialog(QWidget* owner, CopyRequest* request);

// How the files are copied; the product copies with CopyNumbered.
using CopyRunner = std::function<CopyRunResult(const std::vector<std::string>&, const CopyRequest&,
                                               const std::function<bool()>&,
                                               const std::function<void(int, int)>&)>;

class CopyJob;

// The list's copy command. progress is the main window's m_pCopyProgress: while a copy
// runs it points at the modeless progress window; invoking the command again then stops
// that copy. Shows the messages for an empty list and refusals at once; the copy itself
// runs on a thread of its own, and what was not copied is told when it ends. Returns the
// running job (it goes away by itself after its report), or null when nothing started.
QPointer<CopyJob> CopyListFiles(QWidget* owner, PlaylistCtrl& list,
                                QPointer<CopyProgressDialog>& progress,
                                const CopyAsk& ask = AskWithCopyDialog,
                                const CopyRunner& run = CopyNumbered);
