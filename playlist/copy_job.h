// One run of the list copy on a thread of its own, so the window keeps answering while
// large files are copied. Progress and the end are posted back to the interface thread.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "playlist/list_copy.h"

class CopyJob : public QObject {
    Q_OBJECT
  public:
    using Runner = std::function<CopyRunResult(const std::vector<std::string>&, const CopyRequest&,
                                               const std::function<bool()>&,
                                               const std::function<void(int, int)>&)>;
    using ProgressFn = std::function<void(int percent)>;
    using DoneFn = std::function<void(const CopyRunResult&)>;

    // onProgress and onDone run on the interface thread; the job deletes itself once
    // onDone has run. Deleting it earlier (its owner going away) stops the copy and waits
    // for the file in progress to be given up.
    CopyJob(std::vector<std::string> sources, CopyRequest request, Runner run,
            ProgressFn onProgress, DoneFn onDone, QObject* parent = nullptr);
    ~CopyJob() override;

    void Start();
    // Asked before each file and between chunks: the copy stops at the next of those.
    void Cancel() { m_cancel = true; }

  private:
    std::vector<std::string> m_sources;
    CopyRequest m_request;
    Runner m_run;
    ProgressFn m_onProgress;
    DoneFn m_onDone;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};
