// What becomes of a path handed to the list, and what an add tells the user afterwards.
#pragma once

#include <string>
#include <vector>

enum class AddResult {
    Added,           // a row was inserted
    PlaylistLoaded,  // a playlist file replaced the list
    Ignored,         // unknown kind or duplicate: skipped without a word
    Unreadable,      // cannot be opened (or is no regular file): skipped without a word
    TooLong,         // longer than kMaxPath: refused, worth telling the user
    PlaylistFailed,  // a playlist file that could not be read
};

// Problems collected while adding, shown once by the list when the add is over.
struct AddReport {
    int added = 0;
    std::vector<std::string> tooLong;
    std::vector<std::string> failedPlaylists;
    std::vector<std::string> tooDeep;  // folders whose contents a walk left out
    bool HasProblems() const {
        return !tooLong.empty() || !failedPlaylists.empty() || !tooDeep.empty();
    }
};

enum class AddStep {
    Ignore,         // unknown kind: skipped silently
    RefuseTooLong,  // a known kind, but its path does not fit
    LoadPlaylist,   // a playlist file: it replaces the list
    Insert,         // a row at the end, when the file can be read and is not listed yet
};

// Decided by the path's upper-cased extension (Ogg counts only while tunewell is loaded)
// and its length.
AddStep AddStepFor(const std::string& path, bool oggLoaded);

// The warnings for what an add refused, one box each, in the user's words (UTF-8); none
// when nothing was refused.
std::vector<std::string> AddReportMessages(const AddReport& report);
