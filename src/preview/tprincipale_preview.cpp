// The preview pane: the focused entry extracted into TempDir and shown by the
// viewer of its class, the text controls of the pane's header and the links
// of the HTML viewer.
#include "shell/tprincipale.h"

#include "browse/tentrylistview.h"
#include "browse/tentrymodel.h"
#include "engine/resultcodes.h"
#include "engine/tzipengine.h"
#include "options/teoptions.h"
#include "platform/freespace.h"
#include "platform/opendocument.h"
#include "platform/tempdirs.h"
#include "preview/previewrules.h"
#include "preview/tgifview.h"
#include "preview/thtmlview.h"
#include "preview/timageview.h"
#include "preview/trtfview.h"
#include "preview/ttextfilemodel.h"
#include "preview/ttextlistview.h"
#include "preview/ttextmemo.h"
#include "shell/captionpanel.h"
#include "shell/forms.h"
#include "shell/labeltable.h"
#include "shell/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <sys/stat.h>

namespace tovo {
namespace {

// The preview copy becomes a private, writable, plain file: no execute or
// set-id bit, no read-only bit (later deletions need no question). False
// when it is missing or is not a plain file.
bool makePrivateCopy(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (path.isEmpty() || ::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & 07777) == 0600 || ::chmod(native.constData(), 0600) == 0;
}

bool fileExists(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

const QColor MonochromeBackground(0xFF, 0xFF, 0xFF);
const QColor ImageBackground(0x80, 0x80, 0x80);

} // namespace

void TPrincipale::connectPreview()
{
    if (auto *list = qobject_cast<TEntryListView *>(ListeficsZip))
        connect(list, &TEntryListView::entryClicked, this, &TPrincipale::ListeFicsZipClick);
    // Only a choice of the user: filling the combo at start changes nothing.
    connect(police, &QComboBox::activated, this, [this] { policeChange(); });
    connect(Taille, &QSpinBox::valueChanged, this, [this] { policeChange(); });
    connect(cHTML, &QCheckBox::clicked, this, [this] { cHTMLClick(); });
    // Queued: the link's entry replaces the page the click came from.
    connect(
        html, &THtmlView::linkClicked, this,
        [this](const QString &target) {
            bool handled = false;
            htmlHotSpotClick(target, handled);
            if (!handled)
                html->followLink(target);
        },
        Qt::QueuedConnection);
    connect(html, &THtmlView::linkCovered, this, &TPrincipale::htmlHotSpotCovered);
}

void TPrincipale::ListeFicsZipClick()
{
    // Nested calls (from events dispatched while an entry is extracted) wait
    // for the user's next click.
    if (m_previewing)
        return;
    DelTemp();
    Actu->setEnabled(true);
    const QModelIndex current = ListeficsZip->currentIndex();
    if (Entries->count() == 0 || !current.isValid()) {
        Actu->setEnabled(false);
        Suppr->setEnabled(false);
        return;
    }
    const int row = current.row();
    const QString listText = Entries->fullName(row);
    if (listText == LastPreviewed)
        return;

    m_previewing = true;
    ResetPreviewPane();
    ClearPreview();
    PMultiMedia1->setMediaName(QString());
    LastPreviewed = listText;
    // The copy was deleted above, or the user chose to keep it: asking again
    // would repeat the question just answered.
    const QString fileName = FileNamePart(listText);
    libfic->setText(fileName);
    TempFile = PreviewCopyPath(TempDir(), listText).value_or(QString());
    ListeficsZip->setEnabled(false);

    previewEntry(row, fileName);

    setEnabled(true);
    ListeficsZip->setEnabled(true);
    ListeficsZip->setFocus();
    m_previewing = false;
}

// Steps from the free-space check to the viewer; the caller enables the
// window and the list again afterwards, whatever happened here.
void TPrincipale::previewEntry(int row, const QString &fileName)
{
    const QString fullName = Entries->fullName(row);
    // A name whose copy would not be a file of its own in TempDir is not
    // extracted at all.
    if (TempFile.isEmpty()) {
        showInMemo({QStringLiteral("  ") + fullName + QStringLiteral(" :"), GetLabel(138), QString()});
        return;
    }
    if (!EnoughTempSpace(QStringLiteral("*"))) {
        showInMemo({GetLabel(134)});
        return;
    }

    html->lower();
    const PreviewClass kind = ClassOfFile(fileName, cHTML->isChecked());
    if (kind == PreviewClass::NoPreview) {
        PMultiMedia1->hide();
        showInMemo({GetLabel(135)});
    }

    // The working folder is shared by this user's windows, and another one
    // removes it when it closes: it is made again, private, before each
    // copy, and a folder or link put at its place by someone else is never
    // written into.
    const QFileInfo workFolder(QDir::cleanPath(TempDir()));
    if (!platform::EnsurePrivateDir(workFolder.path(), workFolder.fileName())) {
        showInMemo({GetLabel(132)});
        return;
    }
    XZip->ExtractDirectory = TempDir();
    XZip->UsePaths = false;
    // The entry is read with the password typed: label 137 asks the user to
    // type it and press Enter, which must then work.
    XZip->Password = MotDePasse->text();
    XZip->FilesToProcess << fullName;
    // A writable file already at the copy's place is a copy left by an
    // earlier run: it would only make the extraction ask to replace it. A
    // read-only one is a copy the user chose to keep: the extraction asks.
    if (fileExists(TempFile) && (QFile::permissions(TempFile) & QFileDevice::WriteOwner))
        QFile::remove(TempFile);
    const bool existedBefore = fileExists(TempFile);
    setEnabled(false);
    const int code = XZip->Extract(xemExtract);
    // The progress bar tells that an archive operation runs (a double click
    // on a picture is then ignored): it must not stay where the copy left it.
    Gauge->setValue(0);
    if (code != 0) {
        // A failed extraction leaves no copy of its own behind.
        if (!existedBefore)
            QFile::remove(TempFile);
        setEnabled(true);
        if (code == TOVO_ZIP_ERR_METHOD) {
            showInMemo({GetLabel(136)});
        } else if (code == TOVO_ZIP_WARN_PASSWORD) {
            showInMemo({QStringLiteral("  ") + fullName + QStringLiteral(" :"), GetLabel(137)});
        } else {
            // Then what the code means: a full disk, a damaged entry...
            showInMemo({QStringLiteral("  ") + fullName + QStringLiteral(" :"),
                        GetLabel(138) + QStringLiteral(" Code: ") + QString::number(code), QString(),
                        GetLabel(LabelOfResultCode(code))});
        }
        return;
    }

    // Every copy, shown or not, loses its execute and set-id bits.
    const bool privateCopy = makePrivateCopy(TempFile);
    if (kind == PreviewClass::NoPreview)
        return;
    if (!privateCopy) {
        showInMemo({QStringLiteral("  ") + TempFile, GetLabel(139)});
        return;
    }

    switch (kind) {
    case PreviewClass::StillImage: {
        PMultiMedia1->show();
        if (const ImageInfo info = PMultiMedia1->imageInfo(TempFile); info.ok) {
            PMultiMedia1->setBackgroundColour(info.colours == 2 ? MonochromeBackground : ImageBackground);
            PMultiMedia1->setStretchRatio(true);
        }
        // A text preview disabled the viewer: an image shown must take clicks.
        PMultiMedia1->setEnabled(true);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (PMultiMedia1->setMediaName(TempFile)) {
            PMultiMedia1->show();
        } else {
            PMultiMedia1->hide();
            showInMemo({QStringLiteral("[ ") + TempFile + QStringLiteral(" ]"), GetLabel(140)});
        }
        QApplication::restoreOverrideCursor();
        setEnabled(true);
        break;
    }
    case PreviewClass::Gif:
        GIFImage->setEnabled(true);
        GIFImage->show();
        GIFImage->setStretch(false);
        if (GIFImage->loadFromFile(TempFile)) {
            GIFImage->show();
            PanelDroite->setText(QString());
        } else {
            GIFImage->hide();
            showInMemo({GetLabel(141)});
        }
        break;
    case PreviewClass::Rtf:
        RTF->setEnabled(true);
        RTF->show();
        if (RTF->loadRtf(TempFile)) {
            RTF->show();
            PanelDroite->setText(QString());
        } else {
            RTF->hide();
            showInMemo({GetLabel(221)});
        }
        break;
    case PreviewClass::Html: {
        bool loaded = true;
        if (LastExtractedSize < FramesetScanLimit) {
            // A small frameset page has nothing to show by itself: its source is shown.
            loaded = ListeTexte->loadFromFile(TempFile);
            ListeTexte->textModel()->finishIndexing();
            bool frameset = false;
            for (int i = 0; loaded && i < ListeTexte->count() && !frameset; ++i)
                frameset = OpensFrameset(ListeTexte->itemText(i));
            if (frameset)
                ListeTexte->show();
            else if (loaded && ListeTexte->count() > 0 && (loaded = html->loadFromFile(TempFile)))
                html->show();
        } else if ((loaded = html->loadFromFile(TempFile))) {
            html->show();
        }
        if (!loaded) {
            html->hide();
            showInMemo({GetLabel(142)});
        }
        break;
    }
    case PreviewClass::Text:
        PMultiMedia1->setEnabled(false);
        PMultiMedia1->hide();
        ListeTexte->setEnabled(true);
        if (LastExtractedSize > MemoLimit) {
            if (ListeTexte->loadFromFile(TempFile)) {
                ListeTexte->show();
                PanelDroite->setText(QString());
            } else {
                ListeTexte->hide();
                showInMemo({GetLabel(143)});
            }
        } else if (Memo1->loadFromFile(TempFile)) {
            Memo1->show();
            PanelDroite->setText(QString());
        } else {
            showInMemo({GetLabel(144)});
        }
        break;
    case PreviewClass::NoPreview:
        break;
    }
}

void TPrincipale::showInMemo(const QStringList &lines)
{
    Memo1->clear();
    for (const QString &line : lines)
        Memo1->addLine(line);
    Memo1->show();
}

void TPrincipale::ResetPreviewPane()
{
    PanelDroite->setText(DisplayText(GetLabel(127)));
    for (QWidget *viewer : std::initializer_list<QWidget *>{PMultiMedia1, GIFImage, html, ListeTexte, Memo1, RTF})
        viewer->hide();
}

void TPrincipale::ClearPreview()
{
    ListeTexte->clear();
    Memo1->clear();
    html->clear();
    RTF->clear();
    GIFImage->clearImage();
    PMultiMedia1->clearPicture();
    for (QWidget *viewer : std::initializer_list<QWidget *>{GIFImage, Memo1, RTF, html, PMultiMedia1, ListeTexte})
        viewer->hide();
    // Brackets say the caption is no longer current; once is enough: a failed
    // command followed by another clearing would show "[ [ ... ] ]".
    const QString caption = PanelDroite->text();
    if (!caption.startsWith(QLatin1String("[ ")) || !caption.endsWith(QLatin1String(" ]")))
        PanelDroite->setText(QStringLiteral("[ ") + caption + QStringLiteral(" ]"));
    // The pane shows nothing now: the next click on any entry shows it,
    // the one shown last included.
    LastPreviewed.clear();
    if (!ListeficsZip->currentIndex().isValid()) {
        TailleFC->clear();
        TailleFD->clear();
        DateFic->clear();
        FiGauge->setValue(0);
        libfic->setText(QLatin1Char(' ') + GetLabel(219));
    }
}

bool TPrincipale::EnoughTempSpace(const QString &source)
{
    if (!AppForms().EOptions || AppForms().EOptions->DesacTaille->isChecked())
        return true;
    qint64 needed = 0;
    if (source == QLatin1String("*")) {
        const QModelIndex current = ListeficsZip->currentIndex();
        needed = current.isValid() ? Entries->size(current.row()) : 0;
    } else {
        needed = QFileInfo(source).size();
    }
    // Free space unknown: the preview goes ahead.
    const std::optional<qint64> free = platform::FreeSpace(TempDir());
    return !(free && *free > 0 && needed > *free);
}

void TPrincipale::policeChange()
{
    QFont font = ListeTexte->font();
    font.setFamily(police->currentText());
    font.setPointSize(Taille->value());
    ListeTexte->setFont(font);
    Memo1->setFont(ListeTexte->font());
    QFont pages = html->defaultFont();
    pages.setFamily(police->currentText());
    pages.setPointSize(Taille->value());
    html->setDefaultFont(pages);
    RTF->setFont(ListeTexte->font());
}

void TPrincipale::cHTMLClick()
{
    LastPreviewed.clear();
    ListeFicsZipClick();
}

void TPrincipale::htmlHotSpotClick(const QString &SRC, bool &Handled)
{
    Handled = false;
    const QString name = LinkFileName(SRC);
    for (int row = 0; row < Entries->count(); ++row) {
        if (FileNamePart(Entries->fullName(row)) != name)
            continue;
        QItemSelectionModel *selection = ListeficsZip->selectionModel();
        selection->select(ListeficsZip->currentIndex(), QItemSelectionModel::Deselect);
        selection->setCurrentIndex(Entries->index(row), QItemSelectionModel::Select);
        ListeficsZip->scrollTo(Entries->index(row));
        ListeFicsZipClick();
        return;
    }
    if (OpensInDefaultProgram(SRC))
        ExecuteFile(SRC, QString(), QString(), 0);
}

void TPrincipale::htmlHotSpotCovered(const QString &SRC) { html->setToolTip(SRC); }

int TPrincipale::ExecuteFile(const QString &fileName, const QString &, const QString &, int)
{
    // Above 32 is success; 31 is the code of "no program for this type".
    return platform::OpenDocument(fileName) ? 42 : 31;
}

} // namespace tovo
