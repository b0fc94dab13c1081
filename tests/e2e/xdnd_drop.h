// Drops files on a window of the program as a file manager does: the XDND protocol
// (version 5) over a display connection of its own, the files offered as text/uri-list.
#pragma once

#include <QPoint>
#include <string>
#include <vector>

namespace e2e {

// at: the place on the screen. True once the window took the drop and read the files (or
// said it is done); otherwise why says what went wrong.
bool DropFiles(const std::string& window, QPoint at, const std::vector<std::string>& paths,
               std::string* why);

}  // namespace e2e
