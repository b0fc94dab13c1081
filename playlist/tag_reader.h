// Reads the tags of media files with GStreamer's discoverer on one worker thread of its
// own, so the window never waits for a file. Requests go into a short bounded queue (the
// caller keeps what does not fit and offers it again after the next result); results are
// handed back on the thread the reader belongs to.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "playlist/media_tags.h"

class TagReader : public QObject {
    Q_OBJECT
  public:
    static constexpr std::size_t kQueueLimit = 8;

    explicit TagReader(QObject* parent = nullptr);
    ~TagReader() override;  // waits for the file being read, drops the rest

    // False when the queue is full.
    bool Request(const std::string& path);
    // Forgets every request not yet started; how many there were.
    std::size_t CancelPending();

    // Reads one file on the calling thread (what the worker does for each request).
    static MediaTags ReadFile(const std::string& path);
    // Where pictures found inside files are kept: $XDG_CACHE_HOME/veltra/art (else
    // ~/.cache/veltra/art); "" when neither is set.
    static std::string ArtFolder();

  signals:
    void Read(const std::string& path, const MediaTags& tags);

  private:
    void Work();

    std::mutex m_Lock;
    std::condition_variable m_Wake;
    std::deque<std::string> m_Queue;
    bool m_bStopping = false;
    std::thread m_Worker;
};
