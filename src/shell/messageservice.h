#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

class QDialog;
class QFileDialog;
class QWidget;

namespace tovo {

// Dialog results, with the values callers compare against.
enum DialogResult { IdOk = 1, IdCancel = 2, IdAbort = 3, IdYes = 6, IdNo = 7, IdAll = 8 };

enum class MessageIcon { None, Error, Information, Question, Warning };
enum class MessageButtons { Ok, YesNo, YesNoCancel, YesNoAbort, YesNoAbortAll };

struct MessageBoxRequest {
    QString text; // lines separated by CR, LF or CR LF
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString title; // empty: the application title
};

// An open folder dialog, as the code that opened it may act on it.
class FolderDialogHandle {
public:
    virtual ~FolderDialogHandle();
    // Moves the dialog's selection to a folder.
    virtual void selectFolder(const QString &path) = 0;
    // Shows a text in the dialog's status line (when it has one).
    virtual void setStatusText(const QString &text) = 0;
};

// A folder dialog that reports while it is open.
struct FolderDialogRequest {
    QWidget *parent = nullptr;
    QString title;
    QString directory; // selected when the dialog opens
    QString root;      // the top of the folders offered
    bool showStatus = false;
    QString statusText;
    // Called once the dialog is open; the handle lives until it closes.
    std::function<void(FolderDialogHandle &)> shown;
    // Called when the selection changes, with the selected folder's path
    // (empty when what is selected is not a folder).
    std::function<void(const QString &)> selected;
};

// Every message box, input box and folder dialog goes through this service,
// so tests answer them from a script instead of blocking on a modal dialog.
class MessageService {
public:
    virtual ~MessageService();
    // Returns a DialogResult: the button pressed, IdCancel when the box was
    // closed without one.
    virtual int showMessage(const MessageBoxRequest &request) = 0;
    // A folder dialog; nothing when cancelled. With allowCreate, a name of no
    // existing folder may be accepted (the caller then offers to create it).
    virtual std::optional<QString> chooseDirectory(QWidget *parent, const QString &title, const QString &start,
                                                   bool allowCreate) = 0;
    // A folder dialog that keeps its caller informed while open (only
    // existing folders can be chosen); nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const FolderDialogRequest &request) = 0;
    // An open-file dialog; filter in the pipe form "Text|*.a;*.b|Text|*.*".
    virtual std::optional<QString> chooseOpenFile(QWidget *parent, const QString &title, const QString &start,
                                                  const QString &filter) = 0;
    // A one-line input box; nothing when cancelled.
    virtual std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                             const QString &initial) = 0;
    // The colour chooser, opened on initial; nothing when cancelled.
    virtual std::optional<QColor> chooseColour(QWidget *parent, const QColor &initial) = 0;
    // Shows one of the program's own modal forms and returns its result
    // (QDialog::Accepted, Rejected, or the form's own result code).
    virtual int execDialog(QDialog *dialog) = 0;
};

// The service in use; the real one unless a test installed another.
MessageService &Messages();
void SetMessageService(MessageService *service);

// Message boxes, open-file and folder dialogs and input boxes of Qt, in French
// through Qt's translations.
class RealMessageService : public MessageService {
public:
    int showMessage(const MessageBoxRequest &request) override;
    std::optional<QString> chooseDirectory(QWidget *parent, const QString &title, const QString &start,
                                           bool allowCreate) override;
    std::optional<QString> chooseFolder(const FolderDialogRequest &request) override;
    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &title, const QString &start,
                                          const QString &filter) override;
    std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                     const QString &initial) override;
    std::optional<QColor> chooseColour(QWidget *parent, const QColor &initial) override;
    int execDialog(QDialog *dialog) override;
};

// Records every box and answers from queues. An unexpected box (empty queue)
// is answered IdCancel / nothing and counted, so a test can fail on it.
class ScriptedMessageService : public MessageService {
public:
    ScriptedMessageService();
    ~ScriptedMessageService() override;

    std::deque<int> answers;
    std::deque<std::optional<QString>> directoryAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QString>> textAnswers;
    std::deque<std::optional<QColor>> colourAnswers;
    // Results of the program's own forms; each entry may first act on the
    // form (fill fields, as the user would) before its result is returned.
    std::deque<std::function<int(QDialog *)>> formAnswers;
    QList<MessageBoxRequest> shown;
    QStringList dialogs; // titles of the file, folder and input dialogs, object names of forms
    // The folder dialogs shown through chooseFolder (answered from
    // directoryAnswers), and what their callers did while they were open.
    QList<FolderDialogRequest> folderRequests;
    QStringList folderMoves;
    QStringList folderStatus;
    // The colour each colour chooser opened on.
    QList<QColor> colourRequests;
    int unexpected = 0;

    int showMessage(const MessageBoxRequest &request) override;
    std::optional<QString> chooseDirectory(QWidget *parent, const QString &title, const QString &start,
                                           bool allowCreate) override;
    // Calls the request's shown, takes the answer, and reports it as the
    // selection before returning it.
    std::optional<QString> chooseFolder(const FolderDialogRequest &request) override;
    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &title, const QString &start,
                                          const QString &filter) override;
    std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                     const QString &initial) override;
    std::optional<QColor> chooseColour(QWidget *parent, const QColor &initial) override;
    int execDialog(QDialog *dialog) override;

private:
    MessageService *m_previous;
};

// "Text|*.a|Text|*.b" to Qt's "Text (*.a);;Text (*.b)".
QString PipeFilterToQt(const QString &filter);

// Qt's own file dialog (the system's may speak another language) at a size
// that shows its columns, with sizes and dates written the French way.
void PrepareFileDialog(QFileDialog &dialog);

} // namespace tovo
