#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace tovo {

class FolderDialogHandle;

enum TRootItem { riMyComputer, riDesktop };

// The folder selection dialog as a component: set its properties, call
// Execute, read Directory. The dialog itself goes through the message
// service, so tests answer it. It remembers the last folder chosen.
class TPathDialog : public QObject {
    Q_OBJECT
public:
    // owner: the window the dialog belongs to (the application's active
    // window when null).
    explicit TPathDialog(QWidget *owner = nullptr);

    // Text of the dialog's title.
    QString Title;
    // Shows a status line holding StatusText.
    bool ShowStatus = false;
    // The top of the folders offered: the whole computer ("/") or the
    // user's desktop folder.
    TRootItem RootItem = riMyComputer;
    // Called once the dialog has opened.
    std::function<void(TPathDialog *)> OnShow;
    // Called when the selection changes, with the selected folder's path
    // (empty when what is selected is not a folder).
    std::function<void(TPathDialog *, const QString &path)> OnSelect;

    // The folder selected when the dialog opens; after Execute, the chosen one.
    QString Directory() const { return m_directory; }
    // Removes one trailing separator (a root stays a root); an empty value
    // becomes the current directory. While the dialog is open, the selection
    // moves there too.
    void SetDirectory(const QString &directory);
    QString StatusText() const { return m_statusText; }
    // While the dialog is open with ShowStatus, its status line shows it.
    void SetStatusText(const QString &text);
    // The folder RootItem stands for.
    QString RootPath() const;

    // Shows the dialog modally. True with Directory set to the chosen folder,
    // false (Directory unchanged) when cancelled.
    bool Execute();

private:
    QWidget *m_owner;
    QString m_directory;
    QString m_statusText;
    FolderDialogHandle *m_open = nullptr;
};

} // namespace tovo
