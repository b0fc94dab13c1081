// The names a message lists, bounded so that a box never grows past the screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

// "\n" and the line of each of the first ten entries, then "\nほか N 件" (N more) when there
// are more. line makes an entry's text (UTF-8); by default the entry read as UTF-8.
std::string NameLines(const std::vector<std::string>& entries,
                      const std::function<std::string(const std::string&)>& line = {});

// The bytes of a name read as UTF-8, any invalid sequence replaced, for a message.
std::string ShownName(const std::string& bytes);

// ShownName, with the middle of a name longer than a box's line left out ("…"): a message
// box wraps only between words, so one long name would run past its edge. Start and end
// (the extension) stay.
std::string BoxName(const std::string& bytes);
