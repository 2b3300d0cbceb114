// Naming, opening and listing an archive, and the check marks of its entries.
#include "shell/tprincipale.h"

#include "browse/archivename.h"
#include "browse/formatsize.h"
#include "browse/repairbackup.h"
#include "engine/resultcodes.h"
#include "browse/tentrymodel.h"
#include "shell/labelstore.h"
#include "engine/tzipengine.h"
#include "operations/tconf.h"
#include "shell/captionpanel.h"
#include "shell/forms.h"
#include "shell/fswidgets.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolButton>

namespace tovo {
namespace {

void errorBox(int label) { ShowLabelMessage(QStringLiteral("M"), label, 2); }

// Names one a line; a long list ends with how many more there are.
QString listedNames(const QStringList &names)
{
    constexpr int Shown = 15;
    QStringList lines = names.mid(0, Shown);
    if (names.size() > Shown)
        lines << QStringLiteral("(+ %1)").arg(names.size() - Shown);
    return lines.join(QLatin1Char('\r'));
}

} // namespace

void TPrincipale::connectBrowsing()
{
    connect(NomFic, &TFileNameEdit::returnPressed, this, &TPrincipale::BtActuClick);
    connect(NomFic, &TFileNameEdit::afterDialog, this, &TPrincipale::NomFicAfterDialog);
    connect(BtActu, &QToolButton::clicked, this, &TPrincipale::BtActuClick);
    BtActu->installEventFilter(this);
    connect(MotDePasse, &QLineEdit::textChanged, this, &TPrincipale::MotDePasseChange);
    connect(MotDePasse, &QLineEdit::returnPressed, this, &TPrincipale::MotDePasseKeyUp);
    connect(FileListBox1, &QListView::doubleClicked, this, &TPrincipale::FileListBox1DblClick);
    connect(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TPrincipale::FileListBox1Change);
    connect(DirectoryListBox1, &QTreeView::doubleClicked, this, &TPrincipale::DirectoryListBox1DblClick);
    connect(DirectoryListBox1, &TDirectoryListBox::directoryChanged, FileListBox1, &TFileListBox::setDirectory);
    connect(DriveComboBox1, &TDriveComboBox::driveChanged, DirectoryListBox1,
            [this](const QString &root) { DirectoryListBox1->setDirectory(root); });
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QString mask = FilterComboBox1->itemData(index).toString();
        if (!mask.isEmpty())
            FileListBox1->setMask(mask);
    });
    connect(Entries, &TEntryModel::checkToggled, this, &TPrincipale::ListeficsZipClickCheck);
    connect(Sel1, &QAction::triggered, this, &TPrincipale::Sel1Click);
    connect(DSel1, &QAction::triggered, this, &TPrincipale::DSel1Click);
    connect(ListeficsZip, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopFichiers->popup(ListeficsZip->viewport()->mapToGlobal(pos)); });
    connect(Ajout, &QPushButton::clicked, this, &TPrincipale::AjoutClick);
}

bool TPrincipale::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == BtActu && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            BtActuMouseUp(Qt::RightButton);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QString TPrincipale::extractionDestination() const
{
    return AppForms().Conf ? AppForms().Conf->RepDest->text() : QString();
}

void TPrincipale::setExtractionDestination(const QString &directory)
{
    if (AppForms().Conf)
        AppForms().Conf->RepDest->setText(directory);
}

bool TPrincipale::NormalizeArchiveName(bool allowExecutable)
{
    const ArchiveNameCheck check = CheckArchiveName(NomFic->text(), allowExecutable, extractionDestination());
    XZip->MultidiskMode = check.multidisk;
    if (check.label == 121 || check.label == 122) {
        if (check.clearField)
            NomFic->setText(QString());
        else if (!check.name.isEmpty())
            NomFic->setText(check.name);
        NomFic->setFocus();
        errorBox(check.label);
        if (check.clearField)
            NomFic->lineEdit()->selectAll();
        return false;
    }
    NomFic->setText(check.name);
    if (!check.directoryPart.isEmpty()) {
        // Point the left-hand browser at the archive's folder and file.
        const QString folder = check.directoryPart;
        if (!QFileInfo(folder).isDir()) {
            errorBox(124);
            NomFic->setFocus();
            return false;
        }
        DriveComboBox1->setDriveOf(folder);
        DirectoryListBox1->setDirectory(folder);
        for (int i = FilterComboBox1->count() - 1; i >= 0; --i) {
            if (!check.extension.isEmpty() && FilterComboBox1->itemText(i).toUpper().contains(check.extension)) {
                FilterComboBox1->setCurrentIndex(i);
                break;
            }
        }
        FileListBox1->setDirectory(folder);
        FileListBox1->selectFile(FileNamePart(check.name));
    }
    if (check.label == 123)
        errorBox(123);
    return check.accepted;
}

bool TPrincipale::OpenArchive()
{
    ExtraireUn->setEnabled(false);
    Suppr->setEnabled(false);
    lb_Contenu_Archive->setText(DisplayText(GetLabel(12)));
    // A usable name: EXTRAIRE is enabled while a name of an existing file is
    // typed, and it is disabled when the list is emptied by hand, yet the
    // file named may be opened again.
    if (!ExtractZips->isEnabled() && !QFileInfo(StripQuotes(NomFic->text())).isFile())
        return false;
    DelTemp();
    Entries->clear();
    ListedArchive.clear();
    // No entry is checked any more: the scope is every entry, not the
    // disabled "checked files" choice left from before.
    ExtraireTout->setChecked(true);
    ClearPreview();
    setWindowTitle(ApplicationTitle);
    NomFic->setText(StripQuotes(NomFic->text()));

    const QString folder = DirectoryPart(NomFic->text());
    if (!DestinationChosen)
        setExtractionDestination(folder);
    if (folder.isEmpty()) {
        if (extractionDestination().isEmpty() || !QDir::setCurrent(extractionDestination())) {
            setExtractionDestination(ProgDir());
            QDir::setCurrent(ProgDir());
        }
    }
    TotalSize = 0;
    NormalizeArchiveName(true);
    // The name as typed: upper-casing would name another file here.
    XZip->ZipFileName = NomFic->text();
    if (!RunEngineCommand(QLatin1Char('t')))
        return false;

    setEnabled(false);
    MotDePasse->clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    HasPaths = false;
    TotalSize = 0;
    bool result = false;
    if (RunEngineCommand(QLatin1Char('L'))) {
        result = true;
        Entries->commitPending();
        TailleC->setText(FormatSize(static_cast<double>(QFileInfo(NomFic->text()).size())));
        TailleD->setText(FormatSize(static_cast<double>(TotalSize)));
        // The gauge counts in kibibytes so that totals beyond 2 GiB fit.
        ZipGauge->setMaximum(static_cast<int>(qMin<std::int64_t>(TotalSize / 1024, INT_MAX)));
        ExtractZips->setEnabled(true);
        ListeficsZip->setEnabled(true);
        CurrentArchive = NomFic->text();
        ListedArchive = NomFic->text();
        setWindowTitle(ApplicationTitle + QStringLiteral(" - ") + CurrentArchive);
        lb_Contenu_Archive->setText(QString::number(Entries->count()) + QLatin1Char(' ') + GetLabel(251) +
                                    QStringLiteral(" :"));
        TailleFC->clear();
        TailleFD->clear();
        DateFic->clear();
        FiGauge->setValue(0);
        ZipGauge->setValue(0);
        Ajout->setEnabled(true);
        Crexe->setEnabled(true);
    } else {
        Entries->clear();
        ListedArchive.clear();
    }
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    return result;
}

void TPrincipale::XZipListing(const TZipFileStats &stats)
{
    // Called once per entry: the name is looked at in place rather than cut
    // into a folder and a file part.
    const QString &name = stats.FileName;
    if (name.isEmpty() || name.endsWith(QLatin1Char('/')))
        return; // a folder entry: no file name
    Entries->appendPending(name, stats.Size);
    TotalSize += stats.Size;
    if (!HasPaths && name.contains(QLatin1Char('/')))
        HasPaths = true;
    // Set only when it changes: once per entry, it was a good part of the
    // listing's time.
    if (RespectRep->testAttribute(Qt::WA_ForceDisabled) == HasPaths)
        RespectRep->setEnabled(HasPaths);
}

void TPrincipale::BtActuClick()
{
    if (NomFic->text().isEmpty() || !NormalizeArchiveName(true))
        return;
    if (QFileInfo(NomFic->text()).isFile())
        OpenArchive();
    else
        AjoutClick();
}

void TPrincipale::BtActuMouseUp(Qt::MouseButton button)
{
    if (button != Qt::RightButton || NomFic->text().isEmpty() || !NormalizeArchiveName(true) ||
        !QFileInfo(NomFic->text()).isFile())
        return;
    XZip->ZipFileName = NomFic->text();
    RepairBackup backup(NomFic->text());
    if (!backup.ready()) {
        errorBox(238);
        return;
    }
    // The entries the repair that gives the result dropped, and those it
    // kept without being able to check them (no password, unknown method).
    QStringList dropped;
    QStringList unverified;
    XZip->OnSkippingFile = [&dropped, &unverified](TZipEngine *, const TZipSkipping &skipped) {
        if (skipped.Reason == TOVO_ZIP_SKIP_UNSUPPORTED)
            dropped << skipped.FileName;
        else if (skipped.Reason == TOVO_ZIP_SKIP_UNVERIFIED)
            unverified << skipped.FileName;
    };
    SetIdle(false);
    int code = XZip->Fix(false);
    // A plain repair that wrote an archive that tests clean (0, or 10 when
    // it dropped a damaged end) is done; one the user stopped is not retried.
    if (code >= 100 && code != TOVO_ZIP_ERR_ABORTED) {
        dropped.clear();
        unverified.clear();
        code = XZip->Fix(true);
    }
    SetIdle(true);
    XZip->OnSkippingFile = nullptr;

    const bool repaired = code == 0 || code == TOVO_ZIP_WARN_SKIPPED;
    const QString kept = backup.keepIfDropped(repaired && !dropped.isEmpty());
    if (code == 0) {
        ShowLabelMessage(QStringLiteral("M"), 279, 3);
    } else if (code == TOVO_ZIP_ERR_ABORTED || (code < 100 && code != TOVO_ZIP_WARN_SKIPPED)) {
        ReportEngineCode(code);
    } else if (code >= 100) {
        ShowLabelMessage(QStringLiteral("M") + GetLabel(280) + QStringLiteral("\r\r") +
                             GetLabel(LabelOfResultCode(code)) + QStringLiteral(" (") + QString::number(code) +
                             QLatin1Char(')'),
                         -1, 2);
    } else {
        // Repaired, maybe at the price of damaged entries: the message names
        // them and the copy of the original that still holds them.
        QString text = GetLabel(279);
        if (!dropped.isEmpty())
            text += QStringLiteral("\r\r") + GetLabel(236) + QLatin1Char('\r') + listedNames(dropped);
        if (!unverified.isEmpty())
            text += QStringLiteral("\r\r") + GetLabel(239) + QLatin1Char('\r') + listedNames(unverified);
        if (!kept.isEmpty())
            text += QStringLiteral("\r\r") + GetLabel(237) + QLatin1Char('\r') + kept;
        ShowLabelMessage(QStringLiteral("M") + text, -1, 1);
    }
}

void TPrincipale::NomFicAfterDialog(const QString &name, bool accepted)
{
    if (!accepted)
        return;
    NomFic->setText(StripQuotes(name));
    const bool named = !NomFic->text().isEmpty();
    Ajout->setEnabled(named);
    Crexe->setEnabled(named);
    Suppr->setEnabled(false);
    if (!named)
        return;
    ClearPreview();
    if (QFileInfo(NomFic->text()).isFile()) {
        ListeficsZip->setFocus();
        XZip->ZipFileName = NomFic->text();
        ExtractZips->setEnabled(true);
        OpenArchive();
    } else {
        setExtractionDestination(DirectoryPart(NomFic->text()));
        AjoutClick();
    }
}

void TPrincipale::MotDePasseChange() { LastPreviewed.clear(); }

// Enter in the password field shows the focused entry again with the
// password typed, as the preview's wrong-password message tells the user.
// The focused entry is kept: without it the click handler would show
// nothing and disable the buttons that act on the entries.
void TPrincipale::MotDePasseKeyUp()
{
    ClearPreview();
    if (XZip->Password != MotDePasse->text()) {
        ExtractZips->setEnabled(true);
        ListeficsZip->setEnabled(true);
    }
    ListeficsZip->setFocus();
    ListeFicsZipClick();
}

void TPrincipale::FileListBox1DblClick()
{
    const QString file = FileListBox1->currentFile();
    if (file.isEmpty())
        return;
    NomFic->setText(file);
    BtActuClick();
}

void TPrincipale::DirectoryListBox1DblClick()
{
    Entries->clear();
    ListedArchive.clear();
    setWindowTitle(ApplicationTitle);
    NomFicChange();
    // The list no longer shows an archive: its header, the scope, the sizes
    // and the buttons that act on its entries say so.
    UpdateSelectionInfo();
    lb_Contenu_Archive->setText(DisplayText(GetLabel(12)));
    ExtractZips->setEnabled(false);
    TailleC->clear();
    TailleD->clear();
    ZipGauge->setValue(0);
}

void TPrincipale::FileListBox1Change()
{
    if (FileNamePart(NomFic->text()).isEmpty())
        NomFic->setText(AddBackslash(DirectoryListBox1->directory()));
}

void TPrincipale::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TPrincipale::dropEvent(QDropEvent *event)
{
    QStringList names;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            names << url.toLocalFile();
    }
    event->acceptProposedAction();
    raise();
    activateWindow();
    FormDropFiles1DropFiles(names);
}

void TPrincipale::FormDropFiles1DropFiles(const QStringList &names)
{
    const QString name = names.value(0);
    if (name.isEmpty())
        return;
    CurrentArchive = StripQuotes(name);
    NomFic->setText(StripQuotes(CurrentArchive));
    XZip->ZipFileName = NomFic->text();
    ExtractZips->setEnabled(true);
    if (!QFileInfo(NomFic->text()).isFile())
        ShowLabelMessage(QStringLiteral("M") + GetLabel(133) + QStringLiteral(" (") + name + QLatin1Char(')'), -1,
                         2);
    else
        OpenArchive();
}

int TPrincipale::UpdateSelectionInfo()
{
    const int n = Entries->checkedCount();
    const int count = Entries->count();
    QString header = QString::number(count) + QLatin1Char(' ') + GetLabel(251);
    if (n == 0)
        header += QStringLiteral(" :");
    else
        header += QStringLiteral(" ~ ") + GetLabel(252) + QStringLiteral(" : ") + QString::number(n);
    lb_Contenu_Archive->setText(header);
    const bool some = n > 0 && n < count;
    ExtraireUn->setEnabled(some);
    // Deleting needs some, but not all, entries checked.
    Suppr->setEnabled(some);
    if (some)
        ExtraireUn->setChecked(true);
    else
        ExtraireTout->setChecked(true);
    return n;
}

void TPrincipale::ListeficsZipClickCheck()
{
    UpdateSelectionInfo(); // Suppr follows ExtraireUn there
    Crexe->setEnabled(true);
}

void TPrincipale::Sel1Click()
{
    std::vector<int> rows;
    for (const QModelIndex &index : ListeficsZip->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    Entries->setChecked(rows, true);
    ListeficsZipClickCheck();
}

void TPrincipale::DSel1Click()
{
    std::vector<int> rows;
    for (const QModelIndex &index : ListeficsZip->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    Entries->setChecked(rows, false);
    ListeficsZipClickCheck();
}

} // namespace tovo
