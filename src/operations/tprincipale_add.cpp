// Adding files to the archive named in NomFic (creating it when needed)
// through the file selection dialog, and deleting the added files after.
#include "shell/tprincipale.h"

#include "browse/tentrymodel.h"
#include "engine/tzipengine.h"
#include "operations/sourcedeletion.h"
#include "operations/teselfics.h"
#include "shell/forms.h"
#include "shell/labelmessages.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace tovo {
namespace {

// The module reads "-i", "-x", "-W" and names starting with "<" or ">" in
// its file list as markers; "./" in front names the same file and stores it
// under the same name.
QString engineName(const QString &item)
{
    if (item.startsWith(QLatin1Char('-')) || item.startsWith(QLatin1Char('<')) || item.startsWith(QLatin1Char('>')))
        return QStringLiteral("./") + item;
    return item;
}

// Creates and removes an empty file of the archive's name, to learn before
// any choice is made whether the archive can be created there. An existing
// file of that name is never opened, so never truncated or removed.
bool canCreate(const QString &name)
{
    QFile probe(name);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    return probe.remove();
}

// One box for every file left on disk, however many: the first lines, then
// the count of the others.
QString keptReport(const QStringList &kept)
{
    constexpr int Shown = 10;
    QString text = kept.mid(0, Shown).join(QLatin1Char('\r'));
    if (kept.size() > Shown)
        text += QStringLiteral("\r... etc ... (") + QString::number(kept.size()) + QLatin1Char(')');
    return text + QLatin1Char('\r') + GetLabel(161);
}

// Restores the engine's adding events when the add is over, however it ends.
struct AddingEvents {
    TZipEngine *engine;
    TZipFileStatsEvent adding;
    TZipFileStatsEvent updating;
    ~AddingEvents()
    {
        engine->OnAdding = adding;
        engine->OnUpdating = updating;
    }
};

} // namespace

void TPrincipale::AjoutClick()
{
    TEselfics *dialog = AppForms().Eselfics;
    if (!dialog || !NormalizeArchiveName(false))
        return;
    // The add makes the search directory current: a relative name would then
    // name an archive somewhere else than the one checked here.
    if (QFileInfo(NomFic->text()).isRelative())
        NomFic->setText(QFileInfo(NomFic->text()).absoluteFilePath());
    const QString name = NomFic->text();

    if (QFileInfo::exists(name)) {
        if (name != CurrentArchive) {
            if (ShowLabelMessage(QStringLiteral("d[ ") + name + QStringLiteral(" ]\r") + GetLabel(156), -1, 4) !=
                IdYes) {
                NomFic->setText(QString());
                NomFic->setFocus();
                return;
            }
            // Listed now, so the entry list shows it while files are picked.
            XZip->ZipFileName = name;
            ExtractZips->setEnabled(true);
            OpenArchive();
        }
    } else {
        setWindowTitle(ApplicationTitle);
        if (ShowLabelMessage(QStringLiteral("d[ ") + name + QStringLiteral(" ]\r") + GetLabel(222), -1, 4) != IdYes) {
            NomFic->setText(QString());
            NomFic->setFocus();
            return;
        }
        if (!canCreate(name)) {
            NomFic->setText(QString());
            ShowLabelMessage(QStringLiteral("M"), 157, 2);
            return;
        }
    }
    if (!ConfirmPassword())
        return;

    dialog->ArchiveName = NomFic->text();
    dialog->FontName = police->currentText();
    dialog->FormColor = palette().color(QPalette::Window);
    dialog->FormActivate();
    if (Messages().execDialog(dialog) != QDialog::Accepted)
        return;

    // A failed add leaves the archive as it was: the list, emptied here,
    // shows it again then rather than an archive that looks emptied.
    const bool wasListed = !ListedArchive.isEmpty() && name == ListedArchive;
    const auto listAgain = [this, wasListed] {
        if (wasListed)
            OpenArchive();
    };
    Entries->clear();
    ListedArchive.clear();
    UpdateSelectionInfo();
    const QStringList items = dialog->checkedItems();
    if (items.isEmpty()) {
        ShowLabelMessage(QStringLiteral("M"), 158, 1);
        ClearPreview();
        SetIdle(true);
        LastPreviewed.clear();
        return;
    }

    QStringList files;
    for (const QString &item : items)
        files << engineName(item);
    XZip->FilesToProcess = files;
    XZip->Password = MotDePasse->text();
    XZip->Recurse = dialog->UtilSRep->isChecked();
    XZip->UsePaths = dialog->UtilSRep->isChecked();
    XZip->Compression = dialog->NCompress->value();
    XZip->ZipFileName = NomFic->text();
    // The items are relative to the search directory.
    const QString searchDirectory = AddBackslash(QFileInfo(dialog->Repsrc->text()).absoluteFilePath());
    if (dialog->Repsrc->text().isEmpty() || !QDir::setCurrent(searchDirectory)) {
        XZip->FilesToProcess.clear();
        ShowLabelMessage(QStringLiteral("M") + GetLabel(265) + QStringLiteral("\r[ ") + dialog->Repsrc->text() +
                             QStringLiteral(" ]"),
                         -1, 2);
        listAgain();
        return;
    }
    if (XZip->MultidiskMode)
        ShowLabelMessage(QStringLiteral("M"), 159, 1);

    const bool deleteAfter = dialog->SupprimeFichiers->isChecked();
    std::vector<AddedSource> sources;
    if (deleteAfter) {
        for (const QString &item : items) {
            const QString path = searchDirectory + item;
            sources.push_back({item, path, platform::IdentityOf(path)});
        }
    }
    // The stored names the module reports working on, for the deletion.
    QSet<QString> announced;
    bool added = false;
    {
        const AddingEvents restore{XZip, XZip->OnAdding, XZip->OnUpdating};
        XZip->OnAdding = [&announced, previous = restore.adding](TZipEngine *engine, const TZipFileStats &stats) {
            announced.insert(stats.FileName);
            if (previous)
                previous(engine, stats);
        };
        XZip->OnUpdating = XZip->OnAdding;
        added = RunEngineCommand(QLatin1Char('A'));
    }
    // A warning (files skipped) was reported: no question says all went well.
    const bool addedCleanly = added && LastEngineCode == 0;
    ClearPreview();
    LastPreviewed.clear();
    if (!added) {
        listAgain();
        return;
    }

    ExtractZips->setEnabled(true);
    const bool listed = OpenArchive();
    QApplication::processEvents();
    if (!deleteAfter || !addedCleanly)
        return;
    MessageBoxRequest question;
    question.text = GetLabel(160);
    question.icon = MessageIcon::Question;
    question.buttons = MessageButtons::YesNoAbort;
    if (Messages().showMessage(question) != IdYes)
        return;

    AddOutcome outcome;
    outcome.archiveVerified = listed && archiveTestsClean();
    outcome.usePaths = XZip->UsePaths;
    outcome.archiveFileName = FileNamePart(NomFic->text());
    for (int row = 0; row < Entries->count(); ++row)
        outcome.listing.insert(Entries->fullName(row), Entries->size(row));
    outcome.announced = announced;
    const std::vector<SourceFate> fates = JudgeSources(sources, outcome, searchDirectory);
    QStringList kept;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (fates[i] == SourceFate::Keep || (fates[i] == SourceFate::Delete && !QFile::remove(sources[i].path)))
            kept << sources[i].item;
    }
    if (!kept.isEmpty())
        ShowLabelMessage(QStringLiteral("M") + keptReport(kept), -1, 2);
    else
        ShowLabelMessage(QStringLiteral("M"), 162, 3);
}

bool TPrincipale::archiveTestsClean()
{
    if (LastTestCode >= 0)
        return LastTestCode == 0;
    // The quiet test was skipped (DesacTest): files are deleted only from an
    // archive that was tested, so test it now.
    SetIdle(false);
    const int code = XZip->Test();
    SetIdle(true);
    return code == 0;
}

} // namespace tovo
