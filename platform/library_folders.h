// Where the program's own libraries and helper tools live. In the build folder they sit
// beside the program; an installed copy keeps them in ../lib/veltra/ (bin/veltra next to
// lib/veltra/), out of the system's library path.
#pragma once

#include <string>
#include <vector>

// The folders to look in, in order, each with a trailing '/': the program folder, then
// its ../lib/veltra/. Empty when the program folder is unknown.
std::vector<std::string> LibraryFolders(const std::string& programFolder);
std::vector<std::string> LibraryFolders();  // for the running program

// Full path of the first regular file called `name` in those folders; empty when none.
std::string FindLibraryFile(const std::string& name, const std::string& programFolder);
std::string FindLibraryFile(const std::string& name);
