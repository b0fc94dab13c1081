// The desktop trash through GIO, laid out as every Linux desktop reads it: the home trash for
// files on the home file system, the mount's own trash folder for the others, restore
// records with escaped paths. A file that cannot be trashed stays where it is; nothing
// here ever deletes it instead.
#pragma once

#include <string>

// True when path (bytes, as on disk) is now in the trash; otherwise false with error set
// to GIO's reason (UTF-8, in the C library's locale) and errorNumber, where given, to the
// errno value of the common reasons (ENOTSUP where the file system has no trash; 0 for
// the rest).
bool MoveFileToDesktopTrash(const std::string& path, std::string* error,
                            int* errorNumber = nullptr);
