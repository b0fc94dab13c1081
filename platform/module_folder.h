// The program's own folder, where its libraries, skin.dat and (when writable) plInfo.ini sit.
#pragma once

#include <string>

// Folder of the running executable with a trailing '/', so callers append a file name
// directly; empty when the executable's path cannot be read or is too long.
std::string ModuleFolder();
