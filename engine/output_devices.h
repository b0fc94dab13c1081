// The sound server's outputs, as GStreamer's device monitor lists them.
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/output_device.h"

class QObject;

// The outputs of the sound server in its order (none without a server). Each has the
// server's own name, so a stream can be sent there; outputs known only to the hardware
// layer below a server are left out. Blocks while the server answers.
std::vector<OutputDevice> ListServerOutputs();

// Lists off the interface thread and hands the result back to the interface thread.
class OutputDeviceLister {
  public:
    using Source = std::function<std::vector<OutputDevice>()>;
    using Done = std::function<void(std::vector<OutputDevice>)>;

    explicit OutputDeviceLister(Source source = ListServerOutputs);

    // Starts a listing whose result reaches done on the interface thread, unless context
    // has gone by then. One at a time: false (and nothing started) while one runs, so a server
    // that hangs holds one thread, not one per menu opening.
    // found, when given, sees the result first, on the listing's own thread: there it can
    // answer a stream that the interface thread itself is waiting to open.
    bool Start(QObject* context, Done done,
               std::function<void(const std::vector<OutputDevice>&)> found = {});
    bool Busy() const { return m_busy->load(); }

  private:
    Source m_source;
    std::shared_ptr<std::atomic<bool>> m_busy;
};
