#pragma once

#include <QComboBox>
#include <QListView>
#include <QTreeView>

class QFileSystemModel;

namespace tovo {

// Drive box: one item per mounted volume, shown by its root path.
class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveComboBox(QWidget *parent = nullptr);
    // Selects the volume holding path; false when none does.
    bool setDriveOf(const QString &path);
    QString drive() const;
    void refreshDrives();
signals:
    void driveChanged(const QString &root);
};

// Directory tree over the file system, showing folders only. The current
// directory is the selected folder.
class TDirectoryListBox : public QTreeView {
    Q_OBJECT
public:
    explicit TDirectoryListBox(QWidget *parent = nullptr);
    QString directory() const;
    // Moves to an existing directory; false (and no change) otherwise.
    bool setDirectory(const QString &path);
signals:
    void directoryChanged(const QString &path);

private:
    QFileSystemModel *m_model;
    QString m_directory;
};

// The files (not folders) of one directory matching a mask list.
class TFileListBox : public QListView {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget *parent = nullptr);
    QString directory() const;
    void setDirectory(const QString &path);
    // Masks separated by ";" as in "*.zip;*.exe".
    void setMask(const QString &mask);
    QString mask() const;
    // Full path of the current file, empty when none.
    QString currentFile() const;
signals:
    void fileActivated(const QString &path);

private:
    QFileSystemModel *m_model;
    QString m_mask;
};

} // namespace tovo
