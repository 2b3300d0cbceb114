#pragma once

#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

class QDialog;
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
    // An open-file dialog; filter in the pipe form "Text|*.a;*.b|Text|*.*".
    virtual std::optional<QString> chooseOpenFile(QWidget *parent, const QString &title, const QString &start,
                                                  const QString &filter) = 0;
    // A one-line input box; nothing when cancelled.
    virtual std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                             const QString &initial) = 0;
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
    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &title, const QString &start,
                                          const QString &filter) override;
    std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                     const QString &initial) override;
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
    // Results of the program's own forms; each entry may first act on the
    // form (fill fields, as the user would) before its result is returned.
    std::deque<std::function<int(QDialog *)>> formAnswers;
    QList<MessageBoxRequest> shown;
    QStringList dialogs; // titles of the file, folder and input dialogs, object names of forms
    int unexpected = 0;

    int showMessage(const MessageBoxRequest &request) override;
    std::optional<QString> chooseDirectory(QWidget *parent, const QString &title, const QString &start,
                                           bool allowCreate) override;
    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &title, const QString &start,
                                          const QString &filter) override;
    std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                     const QString &initial) override;
    int execDialog(QDialog *dialog) override;

private:
    MessageService *m_previous;
};

// "Text|*.a|Text|*.b" to Qt's "Text (*.a);;Text (*.b)".
QString PipeFilterToQt(const QString &filter);

} // namespace tovo
