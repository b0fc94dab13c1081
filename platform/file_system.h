// What the program asks of the file system about paths and folders, in one place: the
// rest of the program never calls stat, opendir or access itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class PathKind { Missing, File, Folder, Other };

// What the path names, symbolic links followed; Missing when it cannot be read.
PathKind KindOf(const std::string& path);

// Whether the name itself exists, a dangling symbolic link included.
bool NameExists(const std::string& path);

// The size of a regular file, or nothing for anything else. Opened without blocking, so a
// fifo or device named like media never hangs the caller.
std::optional<std::uint64_t> RegularFileSize(const std::string& path);

// Whether new files can be made in the folder by this user.
bool CanWriteInto(const std::string& folder);

// Device and inode: what a file is, whatever names reach it.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Whether both paths name the same file (one file reached by two names).
bool SameFile(const std::string& a, const std::string& b);

struct FolderEntry {
    std::string name;
    PathKind kind = PathKind::Other;  // symbolic links followed
};

struct FolderListing {
    bool ok = false;
    // Device and inode: a folder reached twice (a symlink loop, a bind mount) is known.
    std::uint64_t device = 0, inode = 0;
    std::vector<FolderEntry> entries;  // without "." and ".."
};

// The whole folder read at once, so a walk holds one descriptor however deep it goes.
FolderListing ListFolder(const std::string& folder);

// A whole regular file read at once, no larger than maxBytes. Opened without blocking, so a
// fifo named like a file never hangs the caller. A file that is not regular, or that is
// (or grows while read) beyond the bound, fails at Open with EINVAL or EFBIG.
struct WholeFile {
    enum class Failure { None, Open, Read };
    Failure failure = Failure::None;
    int error = 0;  // errno of the failure
    std::string bytes;
    bool ok() const { return failure == Failure::None; }
};
WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes);

// The first count bytes of a regular file (fewer when it is shorter) and its whole size,
// for telling a file's kind or completeness by its header without reading it all.
struct FileStart {
    std::string bytes;
    std::uint64_t size = 0;
};
std::optional<FileStart> ReadFileStart(const std::string& path, std::size_t count);

// Removes the name; false when it was not there or could not go.
bool RemoveFile(const std::string& path);

// A file that lives in memory only, holding bytes, read from its start; -1 when it cannot
// be made. For handing made-up content to readers that take a file; its descriptor is
// closed with CloseFile and the memory goes with it.
int MemoryFileWith(const std::string& name, const std::string& bytes);
void CloseFile(int fd);
