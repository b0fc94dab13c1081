// The text of a playlist file written by any player: its encoding found from the
// byte-order mark, its lines split at CR LF, LF or a lone CR.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist_file.h"

// Reads the whole file: a regular file only, opened without blocking on a fifo, and no
// larger than any list a person keeps.
PlaylistIoResult ReadPlaylistBytes(const std::string& playlistPath, std::string* bytes);

// UTF-8 bytes of the text: a UTF-8 mark is dropped, UTF-16 (either order, with its mark)
// is converted; anything else is returned as it is, so that lists in the system's legacy
// encoding keep naming their files byte for byte.
std::string PlaylistTextAsUtf8(const std::string& bytes);

// The lines without terminators; a line longer than maxLineBytes is dropped whole, never
// cut into pieces that could each look like a path.
std::vector<std::string> PlaylistLines(const std::string& text, std::size_t maxLineBytes);

// The local path named by a file: URI ("file:///a/b%20c.mp3", "file://localhost/..."),
// percent-decoded; "" for any other URI, a remote host or a NUL byte.
std::string LocalPathOfFileUri(const std::string& uri);

// True for a line that starts with a URI scheme and "//" ("http://", "file://"): such a
// line never names a file relative to the list (a relative path has no empty folder).
bool HasUriScheme(const std::string& line);

// The existing file an entry of another player's list names, or "": a file: URI, an
// absolute path, or a path relative to the list's folder base (Windows lines too); the
// entry's kind must be one the list takes.
std::string ResolveForeignEntry(const std::string& base, const std::string& entry, bool oggLoaded);
