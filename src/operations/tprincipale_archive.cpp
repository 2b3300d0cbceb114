// Refreshing checked entries from a folder, deleting checked entries, and
// copying the archive file to another folder.
#include "shell/tprincipale.h"

#include "browse/tentrymodel.h"
#include "engine/tzipengine.h"
#include "operations/tpathdialog.h"
#include "platform/filecopy.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/look.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <cerrno>

namespace tovo {
namespace {

// The list of files to refresh stops growing once its text is this long.
constexpr qsizetype RefreshListLimit = 120;

struct RefreshList {
    int count = 0;
    QString text; // one line per file, the last found first
};

// The checked entries found as files under folder. Each line is CR, a space
// and the name after two spaces, or "../" and the file-name part for a name
// with folders; "... etc ..." closes a list that had to leave files out.
RefreshList collectRefreshList(const TEntryModel &entries, const QString &folder)
{
    RefreshList list;
    bool leftOut = false;
    for (int row = 0; row < entries.count(); ++row) {
        const QString &name = entries.fullName(row);
        if (!entries.isChecked(row) || !QFileInfo(folder + name).isFile())
            continue;
        ++list.count;
        if (list.text.size() >= RefreshListLimit) {
            leftOut = true;
            continue;
        }
        const QString line = DirectoryPart(name).isEmpty() ? QStringLiteral("  ") + name
                                                           : QStringLiteral("  ../") + FileNamePart(name);
        list.text.prepend(QStringLiteral("\r ") + line);
    }
    if (leftOut)
        list.text += QStringLiteral("\r... etc ...");
    return list;
}

int askYesNoAbort(const QString &text)
{
    MessageBoxRequest request;
    request.text = text;
    request.icon = MessageIcon::Question;
    request.buttons = MessageButtons::YesNoAbort;
    return Messages().showMessage(request);
}

void plainMessage(int label) { ShowLabelMessage(QStringLiteral(" ") + GetLabel(label), -1, 0); }

// The label saying why a copy failed.
int labelOfCopyFailure(const platform::CopyResult &result)
{
    const bool denied = result.error == EACCES || result.error == EPERM;
    const bool full = result.error == ENOSPC || result.error == EDQUOT || result.error == EFBIG ||
                      result.error == EROFS;
    switch (result.failure) {
    case platform::CopyFailure::Stopped: return 103;
    case platform::CopyFailure::SameFile: return 169;
    case platform::CopyFailure::OpenSource:
    case platform::CopyFailure::Read: return denied ? 104 : 90;
    case platform::CopyFailure::Write: return denied ? 104 : 91;
    case platform::CopyFailure::CreateTemporary:
    case platform::CopyFailure::Replace:
    case platform::CopyFailure::None: break;
    }
    return denied ? 104 : full ? 91 : 95;
}

} // namespace

void TPrincipale::setUpArchiveOperations()
{
    PathDialog1 = new TPathDialog(this);
    PathDialog1->setObjectName(QStringLiteral("PathDialog1"));
    connect(Actu, &QPushButton::clicked, this, &TPrincipale::ActuClick);
    connect(Suppr, &QPushButton::clicked, this, &TPrincipale::SupprClick);
    connect(CopyZip, &QToolButton::clicked, this, &TPrincipale::CopyZipClick);
}

bool TPrincipale::ListShowsNamedArchive()
{
    if (!ListedArchive.isEmpty() && StripQuotes(NomFic->text()) == ListedArchive)
        return true;
    // Another name was typed since the list was filled: the entries checked
    // are not that archive's. It is opened (or created) as Enter would.
    BtActuClick();
    return false;
}

void TPrincipale::ActuClick()
{
    if (!ListShowsNamedArchive())
        return;
    if (UpdateSelectionInfo() == 0) {
        Entries->setAllChecked(true);
        UpdateSelectionInfo();
        Suppr->setEnabled(ExtraireUn->isEnabled());
    }
    QString folder = DirectoryPart(NomFic->text());
    if (folder.isEmpty())
        folder = DirectoryPart(extractionDestination());
    if (folder.isEmpty())
        folder = ProgDir();
    if (!QDir::setCurrent(folder)) {
        folder = ProgDir();
        QDir::setCurrent(folder);
    }

    // The files are looked for in the chosen folder, which becomes the
    // current directory: the engine takes the names relative to it.
    RefreshList list;
    for (;;) {
        PathDialog1->SetDirectory(folder);
        PathDialog1->Title = QStringLiteral("Répertoire de recherche ");
        if (!PathDialog1->Execute())
            return;
        folder = AddBackslash(PathDialog1->Directory());
        if (QDir::setCurrent(folder))
            list = collectRefreshList(*Entries, folder);
        else
            list = {};
        if (list.count > 0)
            break;
        if (askYesNoAbort(GetLabel(163)) != IdYes)
            return;
    }
    const QString text = QString::number(list.count) + QLatin1Char(' ') + GetLabel(164) + QStringLiteral(" :") +
                         list.text;
    if (askYesNoAbort(GetLabel(228) + QStringLiteral(": ") + folder + QLatin1Char('\r') + text +
                      QStringLiteral("\r\r") + GetLabel(165)) != IdYes)
        return;
    if (!ConfirmPassword())
        return;

    XZip->FilesToProcess = Entries->checkedNames();
    // The password the user confirmed, as for adding and deleting.
    XZip->Password = MotDePasse->text();
    XZip->ZipFileName = ListedArchive;
    if (RunEngineCommand(QLatin1Char('R'))) {
        ExtractZips->setEnabled(true);
        OpenArchive();
    }
    LastPreviewed.clear();
}

void TPrincipale::SupprClick()
{
    if (!ListShowsNamedArchive())
        return;
    if (UpdateSelectionInfo() == 0) {
        plainMessage(166);
        return;
    }
    if (ShowLabelMessage(QStringLiteral("D"), 167, 4) != IdYes) {
        plainMessage(168);
        return;
    }
    if (!ConfirmPassword())
        return;
    XZip->FilesToProcess = Entries->checkedNames();
    XZip->Password = MotDePasse->text();
    XZip->ZipFileName = ListedArchive;
    if (RunEngineCommand(QLatin1Char('D'))) {
        ExtractZips->setEnabled(true);
        OpenArchive();
    }
    LastPreviewed.clear();
}

void TPrincipale::CopyZipClick()
{
    if (NomFic->text().isEmpty())
        return;
    CurrentArchive = StripQuotes(NomFic->text());
    if (CurrentArchive.isEmpty() || !QFileInfo(CurrentArchive).isFile()) {
        plainMessage(146);
        return;
    }
    PathDialog1->Title = QStringLiteral("Répertoire de copie du Zip :");
    if (!PathDialog1->Execute())
        return;
    const QString name = FileNamePart(CurrentArchive);
    const QString target = AddBackslash(PathDialog1->Directory()) + name;
    // Copying the archive onto itself would destroy it while reading it.
    if (platform::SameFile(CurrentArchive, target)) {
        ShowLabelMessage(QStringLiteral("M"), 169, 2);
        return;
    }
    const QString question = QFileInfo::exists(target)
                                 ? GetLabel(145) + QStringLiteral(" [ ") + target + QStringLiteral(" ]\r")
                                 : GetLabel(148) + QStringLiteral("\r  ") + name + QLatin1Char('\r') + GetLabel(149) +
                                       QStringLiteral("\r  ") + target + QStringLiteral("  ?");
    if (askYesNoAbort(question) != IdYes)
        return;

    // The window stays responsive and the interruption window can stop the
    // copy: its button asks the engine to stop, which the copy heeds too.
    XZip->Abort = false;
    SetIdle(false);
    QElapsedTimer clock;
    bool first = true;
    const platform::CopyResult result =
        platform::CopyFileReplacing(CurrentArchive, target, [&](std::int64_t done, std::int64_t total) {
            if (first || clock.hasExpired(XZip->DispatchInterval)) {
                first = false;
                look::setGauge(Gauge, done, total);
                QApplication::processEvents();
                clock.start();
            }
            return !XZip->Abort;
        });
    SetIdle(true);
    Gauge->setValue(0);
    XZip->Abort = false;

    if (result.ok()) {
        plainMessage(150);
        return;
    }
    const int cause = labelOfCopyFailure(result);
    if (cause == 169) {
        ShowLabelMessage(QStringLiteral("M"), 169, 2);
        return;
    }
    const bool stopped = result.failure == platform::CopyFailure::Stopped;
    ShowLabelMessage(QStringLiteral("M") + GetLabel(147) + QStringLiteral("\r\r") + GetLabel(cause) +
                         QStringLiteral("\r [ ") + target + QStringLiteral(" ]"),
                     -1, stopped ? 1 : 2);
}

} // namespace tovo
