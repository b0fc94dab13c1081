// Dropped items as local paths, decoded byte for byte from a text/uri-list, so file
// names that are not UTF-8 survive.
#pragma once

#include <string>
#include <vector>

// Lines of a text/uri-list: comments skipped, file: URLs of this host percent-decoded,
// anything else (remote URLs, other schemes) dropped.
std::vector<std::string> LocalPathsFromUriList(const std::string& uriList);

// The value of one hexadecimal digit of a percent escape, or -1.
int HexValue(char c);
