// Playlist files: one path per line, CR LF when written. The program's own flavour
// (".vpl") lists every row; M3U lists only audio rows. Entries are written relative to
// the playlist's folder with '/' and "../", so any other player resolves a line by
// joining it to that folder. Lists written on Windows (backslashes, "..\") read as well.
// Every line is checked against the reader before it is written: a name that would read
// back as another file, a comment or nothing is written as "./name" or absolute, and a
// name that no line can hold (a line break in it) refuses the save.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist_item.h"

// Relative form of item as seen from the folder of the playlist file.
// Example: playlist /m/a/b/list.vpl, item /m/a/d/x.mp3 -> "../d/x.mp3".
std::string MakeRelativePath(const std::string& playlistPath, const std::string& itemPath);

// Absolute path named by one line of a playlist in folder base ("" for the root), or ""
// when the line names nothing worth listing (comment, unknown kind, missing file).
std::string ResolvePlaylistEntry(const std::string& base, const std::string& line, bool oggLoaded);
// The paths a line may mean, most likely first; the reader takes the first that names a
// file. Empty for lines that name nothing (comments, unknown kinds, drive paths).
std::vector<std::string> PlaylistEntryCandidates(const std::string& base, const std::string& line,
                                                 bool oggLoaded);

struct PlaylistIoResult {
    bool ok = false;
    std::string error;  // why not, in the user's words (UTF-8)
};

class PlaylistWriter {
  public:
    // True for the own flavour: the name's extension is "VPL".
    static bool IsOwnFlavour(const std::string& playlistPath);
    // The file's bytes for these rows. Rows no line can hold are left out and listed in
    // unsavable (when given).
    static std::string Format(const std::string& playlistPath, const std::vector<std::string>& rows,
                              bool oggLoaded, std::vector<std::string>* unsavable = nullptr);
    // Same for rows with the titles and lengths they carry: M3U starts with "#EXTM3U" and
    // gives each entry an "#EXTINF:<seconds>,<title>" line (-1 for an unknown length, the
    // file's name for a row without a title); the own flavour stays bare paths.
    static std::string FormatItems(const std::string& playlistPath,
                                   const std::vector<PlaylistItem>& rows, bool oggLoaded,
                                   std::vector<std::string>* unsavable = nullptr);
    // Refuses the whole save when a row cannot be written; otherwise replaces an existing
    // playlist whole or keeps it as it was (full disk, no permission ...).
    static PlaylistIoResult Write(const std::string& playlistPath,
                                  const std::vector<std::string>& rows, bool oggLoaded);
    static PlaylistIoResult WriteItems(const std::string& playlistPath,
                                       const std::vector<PlaylistItem>& rows, bool oggLoaded);
};

class PlaylistReader {
  public:
    // Existing files named by the playlist, in file order (duplicates kept; the list
    // drops them). Fails only when the file cannot be read at all.
    static PlaylistIoResult Read(const std::string& playlistPath, bool oggLoaded,
                                 std::vector<std::string>* paths);
    // Same, over the file's bytes.
    static std::vector<std::string> Parse(const std::string& playlistPath, const std::string& bytes,
                                          bool oggLoaded);
};
