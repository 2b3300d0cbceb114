#pragma once

#include <QString>

namespace tovo {

// The damaged archive kept beside itself while a repair runs: a repair in
// place is the one command that deliberately throws entries away, so what it
// dropped stays readable in the original. The copy is named after the
// archive with ".bak" added ("nom.zip.bak", else "nom.zip.1.bak", ...), never
// over an existing file.
class RepairBackup {
public:
    // Makes the copy of archive: a second name for the same file when the
    // file system allows it (the repair writes a new file and renames it
    // over the archive, so the old data stays under the second name), else a
    // copy. Nothing is made when archive names no file.
    explicit RepairBackup(const QString &archive);
    // Removes the copy unless it was kept.
    ~RepairBackup();
    RepairBackup(const RepairBackup &) = delete;
    RepairBackup &operator=(const RepairBackup &) = delete;

    // False when the archive exists but no copy could be made: the repair
    // must not run then.
    bool ready() const { return m_ready; }
    // After the repair: the copy stays when it dropped entries and goes
    // otherwise. Returns the kept copy's path.
    QString keepIfDropped(bool dropped);

private:
    QString m_path;
    bool m_ready = true;
    bool m_kept = false;
};

} // namespace tovo
