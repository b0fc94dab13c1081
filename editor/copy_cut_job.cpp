#include "editor/copy_cut_job.h"

#include <QDebug>

#include "engine/stream_copy_cut.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace editor {

bool CopyCutJob::Start(const std::string& source, const std::string& target, double startSeconds,
                       double endSeconds, QObject* notify) {
    if (m_bRunning.load())
        return false;
    if (m_Thread.joinable())
        m_Thread.join();
    m_bCancel = false;
    m_bRunning = true;
    m_Thread = std::thread([this, source, target, startSeconds, endSeconds, notify] {
        int lastTenths = -1;
        auto progress = [&](double written) {
            // Reported on the source's time line, at most once a tenth.
            const int tenths = static_cast<int>((startSeconds + written) * 10.0);
            if (tenths != lastTenths) {
                lastTenths = tenths;
                PostWindowMessage(notify, UM_GRAPH_POSITION, tenths);
            }
            return !m_bCancel.load();
        };
        const CopyCutResult r =
            StreamCopyCut::Run(source, target, startSeconds, endSeconds, progress);
        if (r.error == CopyCutError::None) {
            PostWindowMessage(notify, UM_GRAPH_COMPLETE, kGraphCompleteCode);
        } else if (!m_bCancel.load()) {
            qWarning("[editor] copy of %s failed: %d %s", target.c_str(), static_cast<int>(r.error),
                     r.detail.c_str());
            PostWindowMessage(notify, UM_GRAPH_STOPPED, 0);
        }
        m_bRunning = false;
    });
    return true;
}

void CopyCutJob::Cancel() {
    m_bCancel = true;
    if (m_Thread.joinable())
        m_Thread.join();
    m_bRunning = false;
}

}  // namespace editor
