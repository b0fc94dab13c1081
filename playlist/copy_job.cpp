#include "playlist/copy_job.h"

#include <utility>

CopyJob::CopyJob(std::vector<std::string> sources, CopyRequest request, Runner run,
                 ProgressFn onProgress, DoneFn onDone, QObject* parent)
    : QObject(parent),
      m_sources(std::move(sources)),
      m_request(std::move(request)),
      m_run(std::move(run)),
      m_onProgress(std::move(onProgress)),
      m_onDone(std::move(onDone)) {}

CopyJob::~CopyJob() {
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

void CopyJob::Start() {
    m_thread = std::thread([this] {
        const CopyRunResult result = m_run(
            m_sources, m_request, [this] { return !m_cancel.load(); },
            [this](int, int percent) {
                // Events posted to this object are dropped if it is deleted meanwhile.
                QMetaObject::invokeMethod(
                    this,
                    [this, percent] {
                        if (m_onProgress)
                            m_onProgress(percent);
                    },
                    Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                if (m_thread.joinable())
                    m_thread.join();
                if (m_onDone)
                    m_onDone(result);
                deleteLater();
            },
            Qt::QueuedConnection);
    });
}
