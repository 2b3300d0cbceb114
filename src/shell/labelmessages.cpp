#include "shell/labelmessages.h"

#include "shell/labeltable.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tovo {
namespace {

bool &terminationFlag()
{
    static bool flag = false;
    return flag;
}

} // namespace

MessageIcon IconOfDialogType(int dialogType)
{
    switch (dialogType) {
    case 2: return MessageIcon::Error;
    case 3: return MessageIcon::Information;
    case 4: return MessageIcon::Question;
    case 5: return MessageIcon::None;
    default: return MessageIcon::Warning;
    }
}

int ShowLabelMessage(const QString &kind, int n, int dialogType)
{
    const QChar first = kind.isEmpty() ? QLatin1Char(' ') : kind.at(0);
    MessageBoxRequest request;
    request.text = (n == -1 || first == QLatin1Char(' ')) ? kind.mid(1) : GetLabel(n);
    if (first == QLatin1Char(' ')) {
        Messages().showMessage(request);
        return IdCancel;
    }
    request.icon = IconOfDialogType(dialogType);
    if (first == QLatin1Char('M')) {
        request.buttons = MessageButtons::Ok;
        Messages().showMessage(request);
        return IdCancel;
    }
    const bool yesNo = first.unicode() >= 'a' && first.unicode() <= 'z';
    request.buttons = yesNo ? MessageButtons::YesNo : MessageButtons::YesNoCancel;
    const int result = Messages().showMessage(request);
    if (result == IdYes || result == IdNo)
        return result;
    return IdCancel;
}

void FatalError(const QString &text)
{
    MessageBoxRequest request;
    request.text = text + QLatin1Char('\r') + QStringLiteral("Tovo ne peut pas continuer et va se fermer.");
    Messages().showMessage(request);
    RequestTermination();
}

bool TerminationRequested() { return terminationFlag(); }

void RequestTermination()
{
    terminationFlag() = true;
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void ResetTerminationRequest() { terminationFlag() = false; }

} // namespace tovo
