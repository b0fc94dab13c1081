// A folder tree walked depth first, each folder in the order the file system lists it, the
// way the list has always taken in dropped and opened folders.
#pragma once

#include <functional>
#include <string>

struct FolderWalk {
    // Guards the stack against a file system that keeps producing new folders; a tree of
    // one-letter folder names can still go deeper within the path limit.
    int maxDepth = 1024;
    std::function<void(const std::string&)> onFile;
    std::function<void(const std::string&)> onTooLong;  // a folder whose path does not fit
    std::function<void(const std::string&)> onTooDeep;  // a folder beyond maxDepth, left out
};

// Calls walk.onFile for every regular file below folder (links followed). A folder reached
// twice, through a symbolic link loop or a bind mount, is walked once; one that cannot be
// read adds nothing.
void WalkFolderTree(const std::string& folder, const FolderWalk& walk);
