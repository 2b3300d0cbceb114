#pragma once

#include <QLibrary>
#include <QString>

#include "engine/zipcontract.h"

namespace tovo {

// One library module, loaded on first use and kept until unloaded. A failed
// load leaves nothing behind, so the next use tries again.
class ZipModule {
public:
    ZipModule(const char *fileName, const char *entryName);
    ~ZipModule();
    ZipModule(const ZipModule &) = delete;
    ZipModule &operator=(const ZipModule &) = delete;

    // The entry of the module in directory (which ends with a separator), or
    // nullptr when the module or its entry cannot be found.
    TovoZipEntry entry(const QString &directory);
    bool isLoaded() const { return m_entry != nullptr; }
    void unload();

private:
    const char *m_fileName;
    const char *m_entryName;
    QLibrary m_library;
    TovoZipEntry m_entry = nullptr;
};

} // namespace tovo
