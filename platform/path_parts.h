// The two halves of a path as the file layers need them to open a folder and name a
// sibling in it.
#pragma once

#include <string>

// The text after the last '/', or the whole path when there is none.
inline std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder that holds the path: "/" for a file in the root, "." for a bare name.
inline std::string FolderOfPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}
