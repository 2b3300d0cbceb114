#include "ziplib/reader/readerrun.h"

#include <algorithm>

#include "engine/zipcontract.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipreport.h"

namespace tovo::zip
{

void Outcome::note(int code)
{
    if (code >= 100) {
        if (m_error == 0)
            m_error = code;
    } else if (code > 0) {
        m_warning = std::max(m_warning, code);
    }
}

bool Outcome::isFatal(int code)
{
    return code == TOVO_ZIP_ERR_ABORTED || code == TOVO_ZIP_ERR_MEMORY || code == TOVO_ZIP_ERR_READ ||
           code == TOVO_ZIP_ERR_WRITE || code == TOVO_ZIP_ERR_FATAL;
}

int PasswordKeeper::open(EntryDataReader &reader, ArchiveFile &file, const ZipEntry &entry, Reporter &reporter)
{
    if (entry.localHeaderOffset != m_failedAt) {
        m_failedAt = NoEntry;
        m_failedHere.clear();
    }
    int rc = m_askAgain ? TOVO_ZIP_WARN_PASSWORD : reader.open(file, entry, m_password);
    m_askAgain = false;
    for (int asked = 0; rc == TOVO_ZIP_WARN_PASSWORD && !m_gaveUp && asked < 3; ++asked) {
        std::string answer;
        if (!reporter.askPassword(entry.name, answer)) {
            if (reporter.stopRequested())
                return TOVO_ZIP_ERR_ABORTED;
            m_gaveUp = true;
            break;
        }
        m_password = answer;
        if (failedHere(answer))
            return TOVO_ZIP_ERR_CRC;
        rc = reader.open(file, entry, m_password);
    }
    return rc;
}

bool PasswordKeeper::failedHere(const std::string &password) const
{
    return std::find(m_failedHere.begin(), m_failedHere.end(), password) != m_failedHere.end();
}

bool PasswordKeeper::readAgain(const ZipEntry &entry, int rc)
{
    if (!entry.encrypted())
        return false;
    if (rc == TOVO_ZIP_OK) {
        m_proven = m_password;
        return false;
    }
    if (rc != TOVO_ZIP_ERR_CRC || m_gaveUp || m_password == m_proven || failedHere(m_password) ||
        m_failedHere.size() >= 3)
        return false;
    m_failedAt = entry.localHeaderOffset;
    m_failedHere.push_back(m_password);
    m_askAgain = true;
    return true;
}

} // namespace tovo::zip
