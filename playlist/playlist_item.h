// One entry of a playlist file as other players write it: the file, and what the list
// said about it (a title and a length), which the file itself may not carry.
#pragma once

#include <string>

struct PlaylistItem {
    std::string path;   // absolute, bytes as on disk
    std::string title;  // UTF-8; empty when the list gave none
    int seconds = -1;   // length the list gave; -1 when unknown
};
