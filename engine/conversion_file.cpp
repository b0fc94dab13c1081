#include "engine/conversion_file.h"

#include <QDebug>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/scratch_journal.h"

namespace fs = std::filesystem;

const std::string& ConversionFile::Begin(const std::string& target) {
    m_Target = target;
    // Noted, so that a killed run's file goes at the next start; "" when the folder takes
    // no file, which the writer then reports.
    m_Partial = AtomicFile::CreateScratchBeside(target);
    m_bDone = false;
    return m_Partial;
}

HRESULT ConversionFile::Commit() {
    std::error_code ec;
    if (!fs::exists(m_Partial, ec) || fs::file_size(m_Partial, ec) == 0) {
        fs::remove(m_Partial, ec);
        return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    }
    // Synced before the name says the file is complete, with the mode a new file gets.
    if (const int error =
            AtomicFile::CommitScratch(m_Partial, m_Target, AtomicFile::Commit::Replace);
        error != 0) {
        qWarning("engine: cannot move the finished file to %s: %s", m_Target.c_str(),
                 std::strerror(error));
        fs::remove(m_Partial, ec);
        return HRESULT_FROM_WIN32(error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED
                                                                    : ERROR_WRITE_FAULT);
    }
    m_bDone = true;
    return S_OK;
}

void ConversionFile::Discard() {
    std::error_code ec;
    fs::remove(m_Partial, ec);
}

void ConversionFile::Abandon() {
    if (!m_Partial.empty() && !m_bDone) {
        std::error_code ec;
        fs::remove(m_Partial, ec);
    }
    if (!m_Partial.empty())
        ScratchJournal::Forget(m_Partial);
    m_Partial.clear();
    m_Target.clear();
    m_bDone = false;
}
