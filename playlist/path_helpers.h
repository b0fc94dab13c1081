// Path helpers over byte strings. Paths are kept as the bytes the file system gave us
// (not necessarily UTF-8) and compared byte for byte; '/' is the separator.
#pragma once

#include <climits>
#include <cstddef>
#include <string>

// Longest path the program handles, terminator included; longer paths are refused.
#include "platform/max_path.h"

// True when the path fits kMaxPath with its terminator and holds no NUL byte.
bool FitsMaxPath(const std::string& path);

// The text after the last '/', or the whole path when there is none.
std::string FileNameOf(const std::string& path);
// FileNameOf, then the text before the last dot when that dot is not the first byte.
std::string BaseNameOf(const std::string& path);
// The text after the last dot (not the first byte), upper-cased (ASCII only); without
// such a dot, the whole path upper-cased.
std::string UpperExtensionOf(const std::string& path);
// The text before the last '/': "" for a file directly in the root ("/x.vpl"), so that
// FolderOf(p) + "/" + name names a sibling; "." for a bare file name.
std::string FolderOf(const std::string& path);

// ASCII upper-casing; other bytes unchanged.
std::string UpperAscii(const std::string& text);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(const std::string& bytes);
