// A named pipe fed by a writer of its own that stops part-way until told to go on: a file
// that is slow to read, or one that stalls for good, as a network share or a dying disk
// can.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HeldPipe {
  public:
    // Makes the pipe at `path`, open for writing at once; its writer gives the first
    // `heldAt` bytes of `content`, waits for Release, gives the rest and closes.
    HeldPipe(const std::string& path, std::vector<char> content, size_t heldAt);
    // Ends the writer, whatever it had given: the reader sees the pipe end. Declare the
    // pipe after the graph that reads it, so that it goes first: a graph that reads a pipe
    // still open closes only once the pipe ends.
    ~HeldPipe();
    HeldPipe(const HeldPipe&) = delete;
    HeldPipe& operator=(const HeldPipe&) = delete;

    // Whether the pipe could be made.
    bool Made() const { return m_made; }
    // Lets the writer go on past the held byte.
    void Release();
    // Releases the writer and waits until it has given everything and closed the pipe.
    void Finish();

  private:
    void Write();
    bool Give(size_t from, size_t to);

    const std::string m_path;
    const std::vector<char> m_content;
    const size_t m_heldAt;
    bool m_made = false;
    // A read end of the pipe's own, never read: a reader that only looks at the file and
    // closes it again (the graph asks what kind of file it is before it reads) must
    // neither end the writer with a broken pipe nor leave the real reader without one.
    int m_keeper = -1;
    int m_fd = -1;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_released = false;
    bool m_stopping = false;
    std::thread m_writer;
};
