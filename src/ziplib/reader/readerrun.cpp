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
    int rc = reader.open(file, entry, m_password);
    for (int asked = 0; rc == TOVO_ZIP_WARN_PASSWORD && !m_gaveUp && asked < 3; ++asked) {
        std::string answer;
        if (!reporter.askPassword(entry.name, answer)) {
            if (reporter.stopRequested())
                return TOVO_ZIP_ERR_ABORTED;
            m_gaveUp = true;
            break;
        }
        m_password = answer;
        rc = reader.open(file, entry, m_password);
    }
    return rc;
}

} // namespace tovo::zip
