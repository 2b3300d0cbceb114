#include "engine/zipmodule.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcZipModule, "tovo.engine.module")

namespace tovo {

ZipModule::ZipModule(const char *fileName, const char *entryName)
    : m_fileName(fileName), m_entryName(entryName)
{
}

ZipModule::~ZipModule() { unload(); }

TovoZipEntry ZipModule::entry(const QString &directory)
{
    if (m_entry)
        return m_entry;
    if (directory.isEmpty())
        return nullptr;
    // Always a path with a directory part, and only a file that exists, so
    // neither the system's library search path nor another name is tried.
    const QString path = directory + QString::fromLatin1(m_fileName);
    if (!QFileInfo::exists(path)) {
        qCWarning(lcZipModule) << "no module" << path;
        return nullptr;
    }
    m_library.setFileName(path);
    if (!m_library.load()) {
        qCWarning(lcZipModule) << "cannot load" << m_library.fileName() << m_library.errorString();
        return nullptr;
    }
    m_entry = reinterpret_cast<TovoZipEntry>(m_library.resolve(m_entryName));
    if (!m_entry) {
        qCWarning(lcZipModule) << "no entry" << m_entryName << "in" << m_library.fileName();
        m_library.unload();
    }
    return m_entry;
}

void ZipModule::unload()
{
    if (m_library.isLoaded())
        m_library.unload();
    m_entry = nullptr;
}

} // namespace tovo
