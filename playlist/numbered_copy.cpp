// The copy loop on its own, without any window, so that it can be driven and measured
// apart from the command.
#include <cstdio>
#include <set>
#include <utility>

#include "platform/file_system.h"
#include "playlist/list_copy.h"
#include "playlist/path_helpers.h"

std::string NumberedCopyName(const std::string& destination, const std::string& renameName,
                             int index, const std::string& sourcePath) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", index);
    std::string target = destination;
    if (target.empty() || target.back() != '/')
        target += '/';
    target += renameName + number + "." + UpperExtensionOf(sourcePath);
    return FitsMaxPath(target) ? target : std::string();
}

CopyRunResult CopyNumbered(const std::vector<std::string>& sources, const CopyRequest& request,
                           const std::function<bool()>& keepGoing,
                           const std::function<void(int index, int percent)>& progress) {
    CopyRunResult run;
    const int n = static_cast<int>(sources.size());
    const int step = 100 / (n + 1);
    std::set<FileIdentity> written;
    for (int i = 0; i < n; ++i) {
        if (keepGoing && !keepGoing()) {
            run.cancelled = true;
            run.notAttempted = n - i;
            break;
        }
        const std::string& source = sources[static_cast<std::size_t>(i)];
        const std::string target =
            NumberedCopyName(request.destination, request.renameName, i, source);
        CopyOutcome outcome;
        const std::optional<FileIdentity> identity = IdentityOf(source);
        if (target.empty()) {
            outcome.status = CopyStatus::TooLong;
        } else if (identity && written.count(*identity)) {
            // Copying it again would copy our own output instead of what the user listed.
            outcome.status = CopyStatus::WrittenThisRun;
        } else {
            outcome = CopyFileNoReplace(source, target, keepGoing);
        }
        if (outcome.status == CopyStatus::Cancelled) {
            run.cancelled = true;
            run.notAttempted = n - i;
            break;
        }
        if (outcome.status == CopyStatus::Copied) {
            written.insert(FileIdentity{outcome.device, outcome.inode});
            ++run.copied;
        } else {
            run.failures.push_back({source, outcome});
        }
        if (progress)
            progress(i, step * i);
    }
    return run;
}
