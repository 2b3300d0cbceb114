#include "shell/tprincipale.h"

#include "operations/favourites.h"
#include "operations/tchoixrep.h"
#include "platform/datadir.h"
#include "platform/tempdirs.h"
#include "preview/ttextlistview.h"
#include "browse/tentrymodel.h"
#include "engine/tinterruption.h"
#include "engine/tzipengine.h"
#include "shell/captionpanel.h"
#include "shell/forms.h"
#include "shell/helpwindow.h"
#include "shell/history.h"
#include "shell/labelmessages.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/settingsstore.h"
#include "shell/taboutbox.h"
#include "shell/tfilenameedit.h"
#include "shell/tfrmsplash.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QSpinBox>
#include <QProgressBar>
#include <QToolButton>
#include <QToolTip>
#include <QSplitter>

#include <sys/stat.h>

namespace tovo {
namespace {

void repaintSplash()
{
    if (QWidget *splash = AppForms().frmSplash)
        splash->repaint();
}

} // namespace

TPrincipale::TPrincipale(std::unique_ptr<SettingsStore> settings, QWidget *parent)
    : QMainWindow(parent), m_settings(std::move(settings))
{
    setObjectName(QStringLiteral("Principale"));
    setWindowTitle(ApplicationTitle);
    XZip = new TZipEngine(this);
    XZip->Compression = 6;
    XZip->StoredExtensions = QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO");
    Entries = new TEntryModel(this);
    buildLayout();
    ListeficsZip->setModel(Entries);
    setAcceptDrops(true);
    connectHandlers();
    connectBrowsing();
    connectOperations();
    setUpArchiveOperations();
    connectEngine();
    connectPreview();
    connectMedia();
    FormCreate();
}

TPrincipale::~TPrincipale() { DelTemp(); }

void TPrincipale::connectHandlers()
{
    connect(Quitter, &QPushButton::clicked, this, &TPrincipale::QuitterClick);
    connect(Quitter1, &QAction::triggered, this, &TPrincipale::QuitterClick);
    connect(btAide, &QPushButton::clicked, this, &TPrincipale::AideClick);
    connect(Aide1, &QAction::triggered, this, &TPrincipale::AideClick);
    connect(Apropos1, &QAction::triggered, this, &TPrincipale::BitBtn3Click);
    connect(Options1, &QAction::triggered, this, &TPrincipale::Options1Click);
    connect(NomFic, &TFileNameEdit::textChanged, this, &TPrincipale::NomFicChange);
    connect(MenuHisto, &QMenu::triggered, this, [this](QAction *item) {
        if (item != Hist)
            HistClick(item);
    });
}

void TPrincipale::FormCreate()
{
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, Qt::white);
    QToolTip::setPalette(tips);
    SetLabelLoader(&LoadLabels);
    if (ProgDir().isEmpty())
        SetProgDir(QCoreApplication::applicationDirPath());
    SetDataDir(platform::ChooseDataDir(ProgDir()));
    // A leftover working folder of an old version goes at start.
    DeleteTree(QDir(QDir::tempPath()).filePath(platform::OldWorkingDirName()));
    if (!m_settings)
        m_settings = std::make_unique<SettingsStore>();
}

void TPrincipale::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TPrincipale::FormShow()
{
    if (AppForms().Interruption)
        connect(AppForms().Interruption->BitBtn1, &QPushButton::clicked, this, &TPrincipale::InterruptionClick,
                Qt::UniqueConnection);
    GetLabel(-1);
    repaintSplash();
    if (TerminationRequested())
        return abandonStart();

    platform::RemoveStaleWorkingDirs(QDir::tempPath());
    if (const std::optional<QString> dir = platform::EnsureWorkingDir(QDir::tempPath())) {
        SetTempDir(*dir);
    } else {
        ShowLabelMessage(QStringLiteral("M"), 132, 2);
        RequestTermination();
        return abandonStart();
    }
    QDir::setCurrent(ProgDir());

    ExtractZips->setEnabled(false);
    NomFic->setText(QString());
    CurrentArchive.clear();
    setWindowTitle(ApplicationTitle);
    for (QWidget *w : std::initializer_list<QWidget *>{Actu, Ajout, Suppr, Crexe})
        w->setEnabled(false);

    LoadSaveSettings(QLatin1Char('L'));

    // The remembered font may be an alias the font database does not list
    // (Arial served by its metric twin): it is listed too, so that saving the
    // combo's text at close never swaps the user's font for the first one.
    QStringList families = QFontDatabase::families();
    if (!families.contains(ListeTexte->font().family()))
        families << ListeTexte->font().family();
    families.sort(Qt::CaseInsensitive);
    police->clear();
    police->addItems(families);
    police->setCurrentIndex(police->findText(ListeTexte->font().family(), Qt::MatchExactly));
    Taille->setValue(ListeTexte->font().pointSize());

    TailleC->clear();
    TailleD->clear();
    PanelDroite->setText(DisplayText(GetLabel(220)));
    repaintSplash();

    QDir::setCurrent(ProgDir());
    const QString favouritesName = GetLabel(267);
    QStringList favourites;
    if (favouritesName.isEmpty() || !QFileInfo::exists(DataFile(favouritesName))) {
        ShowLabelMessage(QStringLiteral(" ") + GetLabel(233) + QLatin1Char(' ') + favouritesName +
                             QLatin1Char('\r') + GetLabel(245),
                         -1, 0);
        RequestTermination();
        return abandonStart();
    } else if (LoadFavourites(DataFile(favouritesName), favourites) && AppForms().ChoixRep) {
        SortFavourites(favourites);
        AppForms().ChoixRep->favoris->clear();
        AppForms().ChoixRep->favoris->addItems(favourites);
        AppForms().ChoixRep->favoris->setCurrentIndex(-1);
    }

    QDir::setCurrent(ProgDir());
    const QString historyName = GetLabel(274);
    if (historyName.isEmpty() || !QFileInfo::exists(DataFile(historyName))) {
        ShowLabelMessage(QStringLiteral(" ") + GetLabel(233) + QLatin1Char(' ') + historyName, -1, 0);
        RequestTermination();
        return abandonStart();
    } else {
        LoadHistory();
    }

    const auto fromCommandLine =
        RejoinCommandLine(CommandLine, [](const QString &name) { return QFileInfo(name).isFile(); });
    if (fromCommandLine) {
        CurrentArchive = fromCommandLine->name;
        if (!fromCommandLine->exists) {
            ShowLabelMessage(QStringLiteral("M") + GetLabel(133) + QStringLiteral(" (") + CurrentArchive +
                                 QLatin1Char(')'),
                             -1, 2);
        } else {
            NomFic->setText(CurrentArchive);
            XZip->ZipFileName = NomFic->text();
            ExtractZips->setEnabled(true);
            OpenArchive();
        }
    }

    if (QWidget *splash = AppForms().frmSplash)
        splash->close();
    NomFic->setFocus();
}

void TPrincipale::abandonStart()
{
    // The one message was shown: the program ends without showing the
    // window, and FormClose saves nothing that was not loaded.
    m_startAbandoned = true;
    setAttribute(Qt::WA_DontShowOnScreen);
    if (QWidget *splash = AppForms().frmSplash)
        splash->close();
}

void TPrincipale::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    event->accept();
}

void TPrincipale::FormClose()
{
    if (m_startAbandoned) {
        removeWorkingDir();
        hide();
        return;
    }
    if (TChoixRep *chooser = AppForms().ChoixRep; chooser && chooser->favoris->count() > 0) {
        QDir::setCurrent(ProgDir());
        QStringList favourites;
        for (int i = 0; i < chooser->favoris->count(); ++i)
            favourites << chooser->favoris->itemText(i);
        if (!SaveFavourites(DataDir() + GetLabel(267), favourites))
            showSaveError(269);
    }
    QDir::setCurrent(ProgDir());
    if (!SaveHistory())
        showSaveError(275);
    removeWorkingDir();
    hide();
    LoadSaveSettings(QLatin1Char('E'));
    CloseHelp();
}

void TPrincipale::removeWorkingDir()
{
    if (!TempDir().contains(QLatin1String("tovo")))
        return;
    DeleteTree(TempDir());
    // The user's working directory goes with the last window (rmdir leaves
    // one that still holds another window's directory).
    QDir().rmdir(QFileInfo(QDir::cleanPath(TempDir())).path());
}

void TPrincipale::showSaveError(int what)
{
    // The file that was not saved, then why: the previous file is kept.
    ShowLabelMessage(QStringLiteral("M") + GetLabel(276) + QStringLiteral(" - ") + GetLabel(what) +
                         QLatin1Char('\r') + GetLabel(91),
                     -1, 2);
}

void TPrincipale::DelTemp()
{
    if (TempFile.isEmpty() || !QFileInfo::exists(TempFile))
        return;
    // Read-only is the owner's write bit (not whether this user may write:
    // the administrator may write everything).
    if (!(QFile::permissions(TempFile) & QFileDevice::WriteOwner)) {
        if (ShowLabelMessage(QStringLiteral("D") + TempFile + GetLabel(128), -1, 1) != IdYes)
            return;
        QFile::setPermissions(TempFile, QFile::permissions(TempFile) | QFileDevice::WriteOwner);
    }
    if (!QFile::remove(TempFile))
        ShowLabelMessage(QStringLiteral("M") + GetLabel(129) + QLatin1Char('\r') + TempFile, -1, 2);
}

void TPrincipale::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TPrincipale::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        FormResize();
}

void TPrincipale::FormResize()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (height() < MinHeight || width() < MinWidth)
        resize(qMax(width(), MinWidth), qMax(height(), MinHeight));
}

void TPrincipale::QuitterClick()
{
    if (ShowLabelMessage(QStringLiteral("d"), 246, 4) == IdYes)
        close();
}

void TPrincipale::AideClick() { ShowHelp(1); }

void TPrincipale::BitBtn3Click()
{
    if (AppForms().AboutBox)
        Messages().execDialog(AppForms().AboutBox);
}

void TPrincipale::NomFicChange()
{
    ExtraireUn->setEnabled(false);
    RespectRep->setChecked(true);
    ExtraireTout->setChecked(true);
    LastPreviewed.clear();
    const QString stripped = StripQuotes(NomFic->text());
    if (stripped != NomFic->text()) {
        NomFic->setText(stripped); // runs this handler again, without quotes
        return;
    }
    Ajout->setEnabled(!FileNamePart(stripped).isEmpty());
    TailleFC->clear();
    TailleFD->clear();
    DateFic->clear();
    FiGauge->setValue(0);
    ZipGauge->setValue(0);
    if (!stripped.isEmpty() && QFileInfo(stripped).isFile()) {
        ExtractZips->setEnabled(true);
        AddToHistory(stripped);
    } else {
        ExtractZips->setEnabled(false);
    }
    Actu->setEnabled(Ajout->isEnabled());
}

} // namespace tovo
