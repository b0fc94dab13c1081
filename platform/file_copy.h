// One file copy that never replaces anything: the bytes go to a file without a name in the
// target's folder, which takes the target's name only when complete, synced, and only if
// that name is still free. A failed, cancelled or killed copy therefore leaves neither a
// partial file under the final name nor a scratch file beside it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum class CopyStatus {
    Copied,
    SourceMissing,  // cannot open or is no regular file
    TargetExists,   // the target name is taken (never overwritten)
    SameFile,       // source and target are one file
    TooLong,        // target path over kMaxPath
    WriteFailed,    // the destination refused the bytes (full, read-only, missing ...)
    Cancelled,
    WrittenThisRun,  // the source is a file this copy run itself wrote
};

struct CopyOutcome {
    CopyStatus status = CopyStatus::WriteFailed;
    int error = 0;                        // errno where one applies
    std::uint64_t device = 0, inode = 0;  // identity of the written file when Copied
};

// Called between chunks; return false to cancel the copy.
using CopyContinue = std::function<bool()>;

CopyOutcome CopyFileNoReplace(const std::string& source, const std::string& target,
                              const CopyContinue& keepGoing = {});
