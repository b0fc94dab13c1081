// A folder this user cannot write into. Permission bits do not stop root, so for root the
// folder is made immutable as well; the flag is taken off again before the sandbox goes.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/e2e/x11_session.h"

namespace e2e {

inline bool CanCreateIn(const std::string& folder) {
    const std::string probe = folder + "/.probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::string path) : m_path(std::move(path)) {
        std::filesystem::create_directories(m_path);
        ::chmod(m_path.c_str(), 0555);
        if (CanCreateIn(m_path))
            m_immutable = RunTool({"chattr", "+i", m_path}) == 0;
    }
    ~ReadOnlyFolder() {
        if (m_immutable)
            RunTool({"chattr", "-i", m_path});
        ::chmod(m_path.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool Refuses() const { return !CanCreateIn(m_path); }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
    bool m_immutable = false;
};

}  // namespace e2e
