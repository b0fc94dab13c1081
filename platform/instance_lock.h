// A system-wide "is this name taken?" answer, standing in for a named mutex: an flock
// on a lock file whose name is made from the mutex text. The kernel drops the lock when
// the holder dies, however it dies, so there is never a stale lock to clean up.
#pragma once

#include <string>

class InstanceLock {
  public:
    enum class Result { Acquired, AlreadyHeld, Failed };

    // folder: where the lock file lives; empty means $XDG_RUNTIME_DIR, else the temp folder.
    explicit InstanceLock(std::string name, std::string folder = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock and holds it until this object goes (or the process ends).
    Result Acquire();
    bool IsHeld() const { return m_fd >= 0; }
    const std::string& LockFilePath() const { return m_path; }

    // The lock file's name for a mutex text (readable characters kept, the rest folded,
    // plus a hash of the whole text so different names never share a file).
    static std::string FileNameFor(const std::string& name);

  private:
    std::string m_path;
    int m_fd = -1;
};
