#include "platform/scratch_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/path_parts.h"

namespace {

constexpr char kFileNote = 'F';
constexpr char kFamilyNote = 'P';

// One note per scratch path and process, found again from the path alone, so callers
// need not keep anything between noting a file and forgetting it.
std::string NotePath(const std::string& folder, const std::string& path, bool family) {
    char hash[24];
    std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(path));
    return folder + "/" + std::to_string(::getpid()) + "-" + hash + (family ? "-p" : "-f");
}

bool MakeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadNote(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string text;
    char buffer[4096];
    while (text.size() <= 2 * PATH_MAX + 4) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

bool IsRunning(long pid) {
    if (pid <= 0 || pid > INT_MAX)
        return false;
    if (pid == ::getpid())
        return false;  // our notes are made after the clean-up: this one is from a dead run
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Hidden regular files only: whatever a note says, nothing the user sees is touched.
bool RemoveScratch(const std::string& path) {
    const std::string name = NameOf(path);
    if (name.size() < 2 || name[0] != '.' || name == "..")
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int RemoveFamily(const std::string& path) {
    const std::string prefix = NameOf(path) + ".";
    if (prefix.size() < 3 || prefix[0] != '.')
        return 0;
    DIR* dir = ::opendir(FolderOfPath(path).c_str());
    if (!dir)
        return 0;
    std::vector<std::string> victims;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && EndsWith(name, ".part"))
            victims.push_back(name);
    }
    ::closedir(dir);
    int removed = 0;
    const std::string folder = FolderOfPath(path);
    for (const std::string& name : victims)
        removed += RemoveScratch((folder == "/" ? std::string() : folder) + "/" + name) ? 1 : 0;
    return removed;
}

}  // namespace

std::string ScratchJournal::Folder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/veltra/scratch";
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return std::string(home) + "/.local/state/veltra/scratch";
    return {};
}

bool ScratchJournal::Remember(const std::string& path, bool family) {
    const std::string folder = Folder();
    if (folder.empty() || path.empty() || path[0] != '/' || path.find('\n') != std::string::npos ||
        !MakeFolders(folder))
        return false;
    const std::string note = NotePath(folder, path, family);
    const int fd = ::open(note.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string text = std::string(1, family ? kFamilyNote : kFileNote) + " " + path + "\n";
    const bool written = WriteAll(fd, text);
    if (::close(fd) != 0 || !written) {
        ::unlink(note.c_str());
        return false;
    }
    return true;
}

void ScratchJournal::Forget(const std::string& path, bool family) {
    const std::string folder = Folder();
    if (!folder.empty() && !path.empty())
        ::unlink(NotePath(folder, path, family).c_str());
}

int ScratchJournal::RemoveStale() {
    const std::string folder = Folder();
    if (folder.empty())
        return 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> notes;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] != '.')
            notes.push_back(e->d_name);
    }
    ::closedir(dir);

    int removed = 0;
    for (const std::string& name : notes) {
        char* end = nullptr;
        const long pid = std::strtol(name.c_str(), &end, 10);
        if (end == name.c_str() || *end != '-' || IsRunning(pid))
            continue;
        const std::string note = folder + "/" + name;
        const std::string text = ReadNote(note);
        // A note cut short by a crash may name a different, shorter path: it only goes.
        if (text.size() > 3 && text.back() == '\n' && text[1] == ' ' &&
            text.find('\n') == text.size() - 1) {
            const std::string path = text.substr(2, text.size() - 3);
            if (text[0] == kFileNote)
                removed += RemoveScratch(path) ? 1 : 0;
            else if (text[0] == kFamilyNote)
                removed += RemoveFamily(path);
        }
        ::unlink(note.c_str());
    }
    return removed;
}
