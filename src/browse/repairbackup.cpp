#include "browse/repairbackup.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace tovo {

RepairBackup::RepairBackup(const QString &archive)
{
    const QFileInfo info(archive);
    if (!info.isFile())
        return;
    // The file itself when the name is a link to it.
    const QString original = info.canonicalFilePath();
    for (int n = 0; n < 1000; ++n) {
        const QString candidate =
            n == 0 ? archive + QStringLiteral(".bak") : archive + QStringLiteral(".%1.bak").arg(n);
        if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink())
            continue;
        // link() never replaces an existing name.
        if (::link(QFile::encodeName(original).constData(), QFile::encodeName(candidate).constData()) == 0) {
            m_path = candidate;
            break;
        }
        if (errno == EEXIST)
            continue; // taken meanwhile
        // No second names on this file system (or the archive is a link to
        // another one): a copy, which also refuses an existing name.
        if (QFile::copy(original, candidate))
            m_path = candidate;
        break;
    }
    m_ready = !m_path.isEmpty();
}

RepairBackup::~RepairBackup()
{
    if (!m_kept && !m_path.isEmpty())
        QFile::remove(m_path);
}

QString RepairBackup::keepIfDropped(bool dropped)
{
    m_kept = dropped && !m_path.isEmpty();
    return m_kept ? m_path : QString();
}

} // namespace tovo
