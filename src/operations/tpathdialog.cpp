#include "operations/tpathdialog.h"

#include "shell/messageservice.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWidget>

namespace tovo {

TPathDialog::TPathDialog(QWidget *owner) : QObject(owner), m_owner(owner) {}

void TPathDialog::SetDirectory(const QString &directory)
{
    QString path = directory;
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty())
        path = QDir::currentPath();
    m_directory = path;
    if (m_open)
        m_open->selectFolder(m_directory);
}

void TPathDialog::SetStatusText(const QString &text)
{
    m_statusText = text;
    if (m_open && ShowStatus)
        m_open->setStatusText(text);
}

QString TPathDialog::RootPath() const
{
    if (RootItem == riDesktop)
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir::rootPath();
}

bool TPathDialog::Execute()
{
    if (m_directory.isEmpty())
        SetDirectory(QString());
    FolderDialogRequest request;
    request.parent = m_owner ? m_owner : QApplication::activeWindow();
    request.title = Title;
    request.directory = m_directory;
    request.root = RootPath();
    request.showStatus = ShowStatus;
    request.statusText = m_statusText;
    request.shown = [this](FolderDialogHandle &handle) {
        m_open = &handle;
        if (OnShow)
            OnShow(this);
    };
    request.selected = [this](const QString &path) {
        if (OnSelect)
            OnSelect(this, path);
    };
    const std::optional<QString> chosen = Messages().chooseFolder(request);
    m_open = nullptr;
    if (!chosen)
        return false;
    SetDirectory(*chosen);
    return true;
}

} // namespace tovo
