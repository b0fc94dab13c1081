// Two ways to make writes fail part-way, for tests of writers on a full disk:
//  - SmallDisk: a tiny tmpfs mounted on a fresh folder (needs root; Available() says
//    whether it worked), which can be filled up;
//  - RunWithFileSizeLimit: a forked child whose file-size limit makes any write beyond it
//    fail with EFBIG (SIGXFSZ ignored), which works for every user.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace testmedia {

class SmallDisk {
  public:
    explicit SmallDisk(std::size_t bytes);
    ~SmallDisk();  // unmounts and removes the folder
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Available() const { return m_mounted; }
    const std::string& Folder() const { return m_folder; }
    // Takes every free byte with one filler file, so the next write of any size fails.
    void Fill();

  private:
    std::string m_folder;
    bool m_mounted = false;
};

// Runs body in a child process whose writes stop at limit bytes per file; returns what
// body returned, or -1 when the child died otherwise.
int RunWithFileSizeLimit(std::size_t limit, const std::function<int()>& body);

}  // namespace testmedia
