// The file a conversion writes: made beside its target under a hidden name, and given the
// target's name only once it is complete, so the target never holds a half-written file.
#pragma once

#include <atomic>
#include <string>

#include "platform/com.h"

class ConversionFile {
  public:
    // Starts a new file for target; returns the path the writers write to.
    const std::string& Begin(const std::string& target);
    bool Active() const { return !m_Target.empty(); }
    const std::string& Target() const { return m_Target; }
    const std::string& Partial() const { return m_Partial; }

    // The writers have flushed everything: the file takes its target's name. S_OK, or why
    // not (the partial file is then removed).
    HRESULT Commit();
    // A conversion that failed while running must not look like a finished file.
    void Discard();
    // Closed before its end (cancelled or failed): no file is left behind. Forgets the file.
    void Abandon();

  private:
    std::string m_Target;
    std::string m_Partial;
    std::atomic<bool> m_bDone{false};
};
