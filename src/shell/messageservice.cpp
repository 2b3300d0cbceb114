#include "shell/messageservice.h"

#include "browse/formatsize.h"
#include "shell/fswidgets.h"
#include "shell/labelstore.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace tovo {
namespace {

MessageService *&current()
{
    static RealMessageService real;
    static MessageService *service = &real;
    return service;
}

QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

int takeAnswer(std::deque<int> &queue, int &unexpected)
{
    if (queue.empty()) {
        ++unexpected;
        return IdCancel;
    }
    const int value = queue.front();
    queue.pop_front();
    return value;
}

std::optional<QString> takeText(std::deque<std::optional<QString>> &queue, int &unexpected)
{
    std::optional<QString> value;
    if (queue.empty()) {
        ++unexpected;
        return value;
    }
    value.swap(queue.front());
    queue.pop_front();
    return value;
}

// Qt's folder dialog as its opener sees it while it is open.
class QtFolderDialog : public FolderDialogHandle {
public:
    QtFolderDialog(QFileDialog &dialog, QLabel *status) : m_dialog(dialog), m_status(status) {}
    void selectFolder(const QString &path) override { m_dialog.setDirectory(path); }
    void setStatusText(const QString &text) override
    {
        if (m_status)
            m_status->setText(text);
    }

private:
    QFileDialog &m_dialog;
    QLabel *m_status;
};

// Records what the caller does with the folder dialog while it is "open".
class ScriptedFolderDialog : public FolderDialogHandle {
public:
    explicit ScriptedFolderDialog(ScriptedMessageService &service) : m_service(service) {}
    void selectFolder(const QString &path) override { m_service.folderMoves << path; }
    void setStatusText(const QString &text) override { m_service.folderStatus << text; }

private:
    ScriptedMessageService &m_service;
};

// The file dialog's model writes sizes and dates in the system's locale,
// and Qt's French translations lack its name for folders: this one writes
// them as the rest of Tovo does, whatever the system's language.
class FrenchFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files || role != Qt::DisplayRole || index.column() == 0)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        switch (index.column()) {
        case 1: return files->isDir(source) ? QString() : FormatSize(static_cast<double>(files->size(source)));
        case 2: return files->isDir(source) ? QStringLiteral("Dossier") : QIdentityProxyModel::data(index, role);
        default: return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        }
    }
};

} // namespace

void PrepareFileDialog(QFileDialog &dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setIconProvider(NameOnlyIconProvider());
    dialog.setProxyModel(new FrenchFileColumns(&dialog));
    dialog.resize(760, 460);
    // The detailed view: the name takes what the other columns leave.
    if (auto *details = dialog.findChild<QTreeView *>()) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->resizeSection(1, 90);
        header->resizeSection(2, 130);
        header->resizeSection(3, 150);
    }
}

MessageService::~MessageService() = default;

FolderDialogHandle::~FolderDialogHandle() = default;

MessageService &Messages() { return *current(); }

void SetMessageService(MessageService *service) { current() = service; }

int RealMessageService::showMessage(const MessageBoxRequest &request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title.isEmpty() ? ApplicationTitle : request.title);
    box.setText(displayText(request.text));
    box.setTextFormat(Qt::PlainText);
    switch (request.icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    }
    switch (request.buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNoAbort:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort);
        break;
    case MessageButtons::YesNoAbortAll:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort | QMessageBox::YesToAll);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return IdOk;
    case QMessageBox::Yes: return IdYes;
    case QMessageBox::No: return IdNo;
    case QMessageBox::Abort: return IdAbort;
    case QMessageBox::YesToAll: return IdAll;
    default: return IdCancel;
    }
}

std::optional<QString> RealMessageService::chooseDirectory(QWidget *parent, const QString &title,
                                                           const QString &start, bool allowCreate)
{
    QFileDialog dialog(parent, title, start);
    dialog.setFileMode(allowCreate ? QFileDialog::AnyFile : QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    PrepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> RealMessageService::chooseFolder(const FolderDialogRequest &request)
{
    // Qt's file dialog inside a dialog of ours, so the title can stand above
    // the folders and the status line below them.
    QDialog frame(request.parent);
    frame.setWindowTitle(request.title);
    auto *layout = new QVBoxLayout(&frame);
    auto *heading = new QLabel(request.title, &frame);
    heading->setObjectName(QStringLiteral("Title"));
    heading->setWordWrap(true);
    layout->addWidget(heading);

    auto *files = new QFileDialog(&frame, request.title, request.directory);
    files->setWindowFlags(Qt::Widget);
    files->setOption(QFileDialog::DontUseNativeDialog, true);
    files->setIconProvider(NameOnlyIconProvider());
    files->setOption(QFileDialog::ShowDirsOnly, true);
    files->setFileMode(QFileDialog::Directory);
    // Only folders are offered: their names are all there is to show.
    files->setViewMode(QFileDialog::List);
    for (const char *name : {"fileTypeCombo", "fileTypeLabel"}) {
        if (QWidget *w = files->findChild<QWidget *>(QLatin1String(name)))
            w->hide();
    }
    // The root comes first among the places on the left, then the home folder.
    QList<QUrl> places{QUrl::fromLocalFile(request.root)};
    if (QDir(request.root) != QDir::home())
        places << QUrl::fromLocalFile(QDir::homePath());
    files->setSidebarUrls(places);
    layout->addWidget(files, 1);
    QObject::connect(files, &QDialog::finished, &frame, &QDialog::done);

    QLabel *status = nullptr;
    if (request.showStatus) {
        status = new QLabel(request.statusText, &frame);
        status->setObjectName(QStringLiteral("StatusText"));
        layout->addWidget(status);
    }
    frame.resize(640, 440);

    QtFolderDialog handle(*files, status);
    if (request.selected) {
        const auto report = [&request](const QString &path) {
            request.selected(QFileInfo(path).isDir() ? QDir::cleanPath(path) : QString());
        };
        QObject::connect(files, &QFileDialog::currentChanged, &frame, report);
        QObject::connect(files, &QFileDialog::directoryEntered, &frame, report);
    }
    if (request.shown) {
        // Queued: it runs once the dialog's own event loop has shown it.
        QMetaObject::invokeMethod(
            &frame, [&request, &handle] { request.shown(handle); }, Qt::QueuedConnection);
    }
    if (frame.exec() != QDialog::Accepted || files->selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = files->selectedFiles().first();
    if (!QFileInfo(chosen).isDir())
        return std::nullopt;
    return QDir::cleanPath(chosen);
}

std::optional<QString> RealMessageService::chooseOpenFile(QWidget *parent, const QString &title,
                                                          const QString &start, const QString &filter)
{
    QFileDialog dialog(parent, title, start, PipeFilterToQt(filter));
    // Any name in an existing folder: the archive named may be one to create.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    PrepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> RealMessageService::inputText(QWidget *parent, const QString &title,
                                                     const QString &prompt, const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, displayText(prompt), QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QColor> RealMessageService::chooseColour(QWidget *parent, const QColor &initial)
{
    const QColor colour = QColorDialog::getColor(initial, parent);
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

int RealMessageService::execDialog(QDialog *dialog) { return dialog->exec(); }

ScriptedMessageService::ScriptedMessageService() : m_previous(&Messages()) { SetMessageService(this); }

ScriptedMessageService::~ScriptedMessageService() { SetMessageService(m_previous); }

int ScriptedMessageService::showMessage(const MessageBoxRequest &request)
{
    shown << request;
    return takeAnswer(answers, unexpected);
}

std::optional<QString> ScriptedMessageService::chooseDirectory(QWidget *, const QString &title, const QString &,
                                                               bool)
{
    dialogs << title;
    return takeText(directoryAnswers, unexpected);
}

std::optional<QString> ScriptedMessageService::chooseFolder(const FolderDialogRequest &request)
{
    dialogs << request.title;
    folderRequests << request;
    ScriptedFolderDialog handle(*this);
    if (request.shown)
        request.shown(handle);
    std::optional<QString> answer = takeText(directoryAnswers, unexpected);
    if (answer && request.selected)
        request.selected(*answer);
    return answer;
}

std::optional<QString> ScriptedMessageService::chooseOpenFile(QWidget *, const QString &title, const QString &,
                                                              const QString &)
{
    dialogs << title;
    return takeText(fileAnswers, unexpected);
}

std::optional<QString> ScriptedMessageService::inputText(QWidget *, const QString &title, const QString &,
                                                         const QString &)
{
    dialogs << title;
    return takeText(textAnswers, unexpected);
}

std::optional<QColor> ScriptedMessageService::chooseColour(QWidget *, const QColor &initial)
{
    colourRequests << initial;
    if (colourAnswers.empty()) {
        ++unexpected;
        return std::nullopt;
    }
    std::optional<QColor> answer = colourAnswers.front();
    colourAnswers.pop_front();
    return answer;
}

QString PipeFilterToQt(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i].trimmed();
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!text.contains(QLatin1Char('(')))
            text += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else
            text = text.left(text.indexOf(QLatin1Char('('))).trimmed() + QStringLiteral(" (") + patterns +
                   QLatin1Char(')');
        out << text;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace tovo

namespace tovo {

int ScriptedMessageService::execDialog(QDialog *dialog)
{
    dialogs << dialog->objectName();
    if (formAnswers.empty()) {
        ++unexpected;
        return QDialog::Rejected;
    }
    const std::function<int(QDialog *)> answer = formAnswers.front();
    formAnswers.pop_front();
    return answer(dialog);
}

} // namespace tovo
