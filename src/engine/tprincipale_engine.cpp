// The main window's side of the engine: running one command with its busy
// state and report, the password check, and the engine's events.
#include "shell/tprincipale.h"

#include "browse/displayname.h"
#include "browse/formatsize.h"
#include "browse/tentrymodel.h"
#include "engine/resultcodes.h"
#include "engine/tinterruption.h"
#include "engine/tzipengine.h"
#include "options/teoptions.h"
#include "shell/captionpanel.h"
#include "shell/forms.h"
#include "shell/labelmessages.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/look.h"
#include "shell/messageservice.h"
#include "shell/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>

namespace tovo {
namespace {

void setBold(QWidget *widget, bool bold)
{
    QFont f = widget->font();
    f.setBold(bold);
    widget->setFont(f);
}

} // namespace

void TPrincipale::connectEngine()
{
    XZip->OnAdding = [this](TZipEngine *, const TZipFileStats &s) { XZipAdding(s); };
    XZip->OnUpdating = XZip->OnAdding;
    XZip->OnDeleting = [this](TZipEngine *, const QString &name) { XZipDeleting(name); };
    XZip->OnExtracting = [this](TZipEngine *, const TZipFileStats &s) { XZipExtracting(s); };
    XZip->OnListing = [this](TZipEngine *, const TZipFileStats &s) { XZipListing(s); };
    XZip->OnReplace = [this](TZipEngine *, TZipReplace &r) { XZipReplace(r); };
    XZip->OnPwdQuery = [this](TZipEngine *, TZipPwdQuery &q) { XZipPwdQuery(q); };
    XZip->OnStatus = [this](TZipEngine *, const TZipFileStats &s) { XZipStatus(s); };
    XZip->OnNewdisk = [this](TZipEngine *, int disk) { XZipNewdisk(disk); };
    connect(Crexe, &QPushButton::clicked, this, &TPrincipale::CrexeClick);
}

bool TPrincipale::desacTest() const
{
    return AppForms().EOptions && AppForms().EOptions->DesacTest->isChecked();
}

bool TPrincipale::RunEngineCommand(QChar command)
{
    bool success = true;
    PanelDroite->setText(DisplayText(GetLabel(241)));
    setBold(PanelDroite, true);
    SetIdle(false);
    int code = 0;
    switch (command.unicode()) {
    case 'A': code = XZip->Add(xamAdd); break;
    case 'R': code = XZip->Add(xamFreshen); break;
    case 'E': code = XZip->Extract(xemExtract); break;
    case 'L': code = XZip->List(); break;
    case 'D': code = XZip->Delete(); break;
    case 'T':
    case 't':
        LastTestCode = -1;
        if (!desacTest()) {
            code = XZip->Test();
            LastTestCode = code;
        }
        break;
    default: break;
    }
    // Skipping the test skips only the test: a failed add, extraction or
    // listing is still reported as the failure it is.
    // The pane no longer says "please wait" once the command is over.
    setBold(PanelDroite, false);
    PanelDroite->setText(DisplayText(GetLabel(220)));
    SetIdle(true);
    Gauge->setValue(0);
    LastEngineCode = code;
    if (code == 0)
        return success;

    // A quiet test stopped by the user says so: the archive is not damaged.
    if (command == QLatin1Char('t') && code != TOVO_ZIP_ERR_ABORTED) {
        if (code > 99)
            ShowLabelMessage(QStringLiteral("M") + GetLabel(125) + QLatin1Char(' ') + QString::number(code), -1, 2);
    } else {
        ReportEngineCode(code);
    }
    TailleC->setText(QStringLiteral("0"));
    TailleD->setText(QStringLiteral("0"));
    ZipGauge->setValue(0);
    ZipGauge->setMaximum(0);
    if (code > 99)
        success = false;
    ListeficsZip->setCurrentIndex(QModelIndex());
    ClearPreview();
    return success;
}

void TPrincipale::ReportEngineCode(int code)
{
    const QString text = GetLabel(LabelOfResultCode(code));
    const QString message = GetLabel(126) + QStringLiteral("\r\r") + text + QStringLiteral(" (") +
                            QString::number(code) + QStringLiteral(")\r");
    ShowLabelMessage(QStringLiteral("M") + message, -1, (code < 100 || code == 423) ? 1 : 2);
}

void TPrincipale::SetIdle(bool idle)
{
    QApplication::processEvents();
    TInterruption *interruption = AppForms().Interruption;
    if (!idle) {
        setCursor(Qt::WaitCursor);
        setEnabled(false);
        if (interruption) {
            interruption->setWindowTitle(ApplicationTitle);
            interruption->Label1->setText(DisplayText(GetLabel(241)));
            interruption->BitBtn1->setText(DisplayText(GetLabel(242)));
            interruption->show();
        }
    } else {
        unsetCursor();
        // The keyboard comes back to the window when the dialog had it.
        const bool hadKeyboard = interruption && QApplication::activeWindow() == interruption;
        if (interruption)
            interruption->hide();
        setEnabled(true);
        if (hadKeyboard)
            activateWindow();
    }
}

void TPrincipale::InterruptionClick()
{
    if (ShowLabelMessage(QStringLiteral("d"), 247, 4) != IdYes)
        return;
    XZip->Abort = true;
    if (AppForms().Interruption)
        AppForms().Interruption->close();
}

bool TPrincipale::ConfirmPassword()
{
    if (MotDePasse->text() == XZip->Password)
        return true;
    QString typed;
    if (!XZip->Password.isEmpty()) {
        const std::optional<QString> text = Messages().inputText(this, GetLabel(6), GetLabel(261), QString());
        if (!text)
            return false;
        if (*text != XZip->Password) {
            ShowLabelMessage(QStringLiteral("M"), 262, 2);
            return false;
        }
        typed = *text;
        if (MotDePasse->text().isEmpty())
            MotDePasse->setText(XZip->Password);
    }
    if (MotDePasse->text() == XZip->Password)
        return true;

    MessageBoxRequest request;
    request.text = GetLabel(223) + QStringLiteral("\r\r") + GetLabel(224) + QLatin1Char('\r') + GetLabel(226) +
                   QLatin1Char('\r') + GetLabel(227);
    request.icon = MessageIcon::Warning;
    request.buttons = MessageButtons::YesNoAbort;
    const int answer = Messages().showMessage(request);
    if (answer != IdYes && answer != IdNo)
        return false;
    if (answer == IdNo)
        MotDePasse->clear();
    const std::optional<QString> again = Messages().inputText(this, GetLabel(6), GetLabel(261), typed);
    if (!again)
        return false;
    if (*again != MotDePasse->text()) {
        ShowLabelMessage(QStringLiteral(" ") + GetLabel(262), -1, 0);
        return false;
    }
    // The password typed twice is confirmed: the command may use it.
    return true;
}

void TPrincipale::XZipAdding(const TZipFileStats &stats)
{
    libfic->setText(QLatin1Char('[') + DisplayedEntryName(FileNamePart(stats.FileName)) + QLatin1Char(']'));
}

void TPrincipale::XZipDeleting(const QString &fileName)
{
    libfic->setText(QLatin1Char('[') + DisplayedEntryName(FileNamePart(fileName)) + QLatin1Char(']'));
}

void TPrincipale::XZipExtracting(const TZipFileStats &stats)
{
    TailleFC->setText(FormatSize(static_cast<double>(stats.CompressedSize)));
    TailleFD->setText(FormatSize(static_cast<double>(stats.Size)));
    DateFic->setText(QLocale().toString(stats.DateTime, QStringLiteral("dd MMM yyyy hh:mm")));
    LastExtractedSize = static_cast<double>(stats.Size);
    look::setGauge(FiGauge, stats.CompressedSize, stats.Size);
    QApplication::processEvents();
}

void TPrincipale::XZipStatus(const TZipFileStats &stats)
{
    if (stats.BytesDone >= stats.Size)
        look::setGauge(Gauge, 0, stats.Size);
    else
        look::setGauge(Gauge, stats.BytesDone, stats.Size);
}

void TPrincipale::XZipReplace(TZipReplace &replace)
{
    int answer = IdYes;
    if (!ReplaceAllChosen) {
        MessageBoxRequest request;
        request.text = GetLabel(145) + QStringLiteral("\r [ ") + DisplayedEntryName(replace.FileName) + QStringLiteral(" ]");
        request.icon = MessageIcon::Question;
        request.buttons = MessageButtons::YesNoAbortAll;
        answer = Messages().showMessage(request);
    }
    if (answer == IdAll) {
        ReplaceAllChosen = true;
        answer = IdYes;
    }
    if (answer == IdYes)
        replace.Action = 1;
    else if (answer == IdNo)
        replace.Action = 0;
    else
        XZip->Abort = true;
}

void TPrincipale::XZipPwdQuery(TZipPwdQuery &)
{
    ConfirmPassword();
}

void TPrincipale::XZipNewdisk(int diskNumber)
{
    const QString text = diskNumber == 0 ? GetLabel(217)
                                         : GetLabel(218) + QLatin1Char('\r') + GetLabel(229) +
                                               QString::number(diskNumber);
    ShowLabelMessage(QStringLiteral("M") + text, -1, 4);
}

} // namespace tovo
