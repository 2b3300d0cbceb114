#pragma once

#include <QComboBox>
#include <QListView>
#include <QTreeView>

class QAbstractFileIconProvider;
class QFileSystemModel;

namespace tovo {

// Icons and type names from the file's name alone. Qt's default provider
// reads a file's first bytes to guess its type, which blocks forever on a
// file that never ends (/proc/kmsg, a named pipe). Shared, never deleted.
QAbstractFileIconProvider *NameOnlyIconProvider();

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

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void keepCurrentInView();

    QFileSystemModel *m_model;
    QString m_directory;
    // Until the user moves in the tree, the current folder is kept in view
    // while the model fills and sorts the folders above it.
    bool m_following = false;
};

class FilesOnlyModel;

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
    // Makes the file of that name in the directory the current one, also
    // when it differs in case only (the exact name first); no current file
    // when there is none.
    void selectFile(const QString &fileName);
signals:
    void fileActivated(const QString &path);

private:
    QFileSystemModel *m_model;
    FilesOnlyModel *m_files;
    QString m_mask;
};

} // namespace tovo
