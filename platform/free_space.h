// Room left on the file system that holds a path, for the checks made before a long
// write the user would rather not start on a disk that cannot take it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Bytes an unprivileged writer may still use on the file system of path (a file that
// need not exist yet: its folder is asked); empty when the file system cannot be asked.
std::optional<uint64_t> FreeBytesFor(const std::string& path);
