// Notes of the hidden scratch files this program writes beside their targets (a cut in
// progress, an Ogg output, a copy on a file system without unnamed files). A process that
// is killed cannot tidy up; the next start reads the notes of dead processes and removes
// what they left. One note is one small file in $XDG_STATE_HOME/veltra/scratch
// (~/.local/state/veltra/scratch), holding the scratch path.
//
// Only hidden names (starting with '.') are ever removed, and only regular files, so a
// damaged note can never cost the user a visible file.
#pragma once

#include <string>

class ScratchJournal {
  public:
    // Folder of the notes; "" when neither XDG_STATE_HOME nor HOME is set.
    static std::string Folder();

    // Notes path as a scratch file of this process. With family set, files in the same
    // folder whose names start with path's name followed by a dot and end in ".part" are
    // covered too (the aside files a library makes from the name it is given). False when
    // no note could be written; the scratch file is then simply not covered.
    static bool Remember(const std::string& path, bool family = false);
    // The scratch file is gone or has become the real file: its note goes.
    static void Forget(const std::string& path, bool family = false);

    // Removes the scratch files noted by processes that are no longer running, and their
    // notes. Returns how many files were removed.
    static int RemoveStale();
};
