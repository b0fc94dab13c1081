// Scales the picture on screen to a new size of the video area on a thread of its own, for
// frames so large (a photograph of tens of megapixels) that doing it on the user-interface
// thread would hold the window. The newest request wins: one asked for while another is
// being scaled replaces any that still waits.
#pragma once

#include <QImage>
#include <QSize>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

typedef struct _GstSample GstSample;

class StillScaler {
  public:
    // done: told on the scaler's thread with the picture (null when it could not be made)
    // and the ticket of its request.
    using Done = std::function<void(const QImage& still, unsigned ticket)>;
    explicit StillScaler(Done done) : m_done(std::move(done)) {}
    ~StillScaler();
    StillScaler(const StillScaler&) = delete;
    StillScaler& operator=(const StillScaler&) = delete;

    // Takes over the sample's reference.
    void Request(GstSample* sample, QSize size, unsigned ticket);
    // Drops the request that still waits; one being scaled is finished and reported.
    void Drop();

  private:
    void Loop();

    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    GstSample* m_pending = nullptr;
    QSize m_size;
    unsigned m_ticket = 0;
    bool m_quit = false;
    std::thread m_thread;
};

// Frames of more pixels than this are scaled by a StillScaler; smaller ones at once.
constexpr long long kStillScaledAtOnce = 16LL * 1000 * 1000;
