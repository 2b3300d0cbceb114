// The main window's widgets and their layout (design size 737 x 489).
#include "shell/tprincipale.h"

#include "browse/tentrylistview.h"
#include "preview/tgifview.h"
#include "preview/thtmlview.h"
#include "preview/timageview.h"
#include "preview/trtfview.h"
#include "preview/ttextlistview.h"
#include "preview/ttextmemo.h"
#include "shell/captionpanel.h"
#include "shell/fswidgets.h"
#include "shell/look.h"
#include "shell/tfilenameedit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovo {
using look::named;
namespace {

QFrame *panel(QWidget *parent, const char *name)
{
    auto *frame = named(new QFrame(parent), name);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

QToolButton *smallButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon)
{
    auto *button = named(new QToolButton(parent), name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setFixedSize(26, 24);
    button->setAutoRaise(false);
    return button;
}

// Yellow handles, painted through their palettes: a style sheet on the
// splitter would override the palettes of every widget inside it (the white
// texts on the dark panels turned black).
void styleSplitter(QSplitter *splitter)
{
    splitter->setHandleWidth(5);
    splitter->setChildrenCollapsible(false);
    for (int i = 1; i < splitter->count(); ++i)
        look::paintPanel(splitter->handle(i), look::Splitter);
}

QProgressBar *gauge(QWidget *parent, const char *name, int height)
{
    auto *bar = named(new QProgressBar(parent), name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(height);
    return bar;
}

} // namespace

void TPrincipale::buildMenus()
{
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    setMenuBar(MainMenu1);
    Quitter1 = named(MainMenu1->addAction(QStringLiteral("&Q")), "Quitter1");
    Quitter1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Quitter1->setShortcutContext(Qt::ApplicationShortcut);
    MenuHisto = named(MainMenu1->addMenu(QStringLiteral("Histo")), "MenuHisto");
    Hist = named(MenuHisto->addSeparator(), "Hist");
    Options1 = named(MainMenu1->addAction(QStringLiteral("&Options")), "Options1");
    Options1->setShortcut(QKeySequence(Qt::Key_F2));
    Aide1 = named(MainMenu1->addAction(QStringLiteral("&Ai")), "Aide1");
    Aide1->setShortcut(QKeySequence(Qt::Key_F1));
    Apropos1 = named(MainMenu1->addAction(QStringLiteral("A &pro")), "Apropos1");
    // Short-cuts of actions placed directly in a menu bar also need the window.
    addAction(Quitter1);
    addAction(Options1);
    addAction(Aide1);

    PopFichiers = named(new QMenu(this), "PopFichiers");
    Exec1 = named(PopFichiers->addAction(QStringLiteral("Exécuter")), "Exec1");
    PopFichiers->setDefaultAction(Exec1);
    PopFichiers->addSeparator();
    Sel1 = named(PopFichiers->addAction(QStringLiteral("Sélectionner")), "Sel1");
    DSel1 = named(PopFichiers->addAction(QStringLiteral("Désélectionner")), "DSel1");
}

void TPrincipale::buildLayout()
{
    look::applyFormLook(this);
    buildMenus();
    auto *central = new QWidget(this);
    setCentralWidget(central);
    auto *root = new QVBoxLayout(central);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // Top panel: archive name, password, small buttons, scope and EXTRAIRE.
    PanelHaut = panel(central, "PanelHaut");
    PanelHaut->setFixedHeight(64);
    auto *top = new QGridLayout(PanelHaut);
    top->setContentsMargins(6, 3, 6, 3);
    top->setHorizontalSpacing(5);
    top->setVerticalSpacing(2);
    lb_nomzip = named(new QLabel(QStringLiteral("Nom de l'archive ZIP :"), PanelHaut), "lb_nomzip");
    // The heading may be wider than the edit's minimum: let the edit decide,
    // so the window keeps its design width (the heading fits at that width).
    lb_nomzip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    NomFic = named(new TFileNameEdit(PanelHaut), "NomFic");
    NomFic->setFilter(QStringLiteral("Archives ZIP |*.zip|Fichiers EXE|*.exe|Tous fichiers (*.*)|*.*"));
    NomFic->setDefaultExt(QStringLiteral("zip"));
    NomFic->setDialogTitle(QStringLiteral("Fichier Zip à ouvrir/créer :"));
    NomFic->setAcceptDrops(true);
    NomFic->setMinimumWidth(140);
    ln_Mot_de_passe = named(new QLabel(QStringLiteral("Mot de passe :"), PanelHaut), "ln_Mot_de_passe");
    MotDePasse = named(new QLineEdit(PanelHaut), "MotDePasse");
    MotDePasse->setMaxLength(80);
    MotDePasse->setEchoMode(QLineEdit::Password);
    MotDePasse->setFont(QFont(QStringLiteral("Courier New"), 10, QFont::Bold));
    MotDePasse->setStyleSheet(QStringLiteral("lineedit-password-character: 35;"));
    MotDePasse->setFixedWidth(100);
    RespectRep = named(new QCheckBox(QStringLiteral("Respecter les répertoires"), PanelHaut), "RespectRep");
    RespectRep->setEnabled(false);
    BtActu = smallButton(PanelHaut, "BtActu", QStyle::SP_BrowserReload);
    BtActu->setToolTip(QStringLiteral("Actualiser l'affichage..."));
    CopyZip = smallButton(PanelHaut, "CopyZip", QStyle::SP_DialogSaveButton);
    CopyZip->setToolTip(QStringLiteral("Copier le ZIP vers..."));
    OuvreRepertoireDestination = smallButton(PanelHaut, "OuvreRepertoireDestination", QStyle::SP_DirOpenIcon);
    lb_fichiers_a_traiter =
        named(new QLabel(QStringLiteral("Fichier(s) à traiter :"), PanelHaut), "lb_fichiers_a_traiter");
    ExtraireTout = named(new QRadioButton(QStringLiteral("Tous les fichiers !"), PanelHaut), "ExtraireTout");
    ExtraireTout->setChecked(true);
    ExtraireUn = named(new QRadioButton(QStringLiteral("Fichier(s) sélectionné(s)"), PanelHaut), "ExtraireUn");
    ExtraireUn->setEnabled(false);
    ExtractZips = named(new QPushButton(QStringLiteral("EXTRAIRE"), PanelHaut), "ExtractZips");
    ExtractZips->setEnabled(false);
    ExtractZips->setFont(look::arial(16, true));
    ExtractZips->setFixedSize(104, 50);

    auto *smallButtons = new QHBoxLayout;
    smallButtons->setSpacing(2);
    smallButtons->addWidget(BtActu);
    smallButtons->addWidget(CopyZip);
    smallButtons->addWidget(OuvreRepertoireDestination);
    top->addWidget(lb_nomzip, 0, 0);
    top->addWidget(NomFic, 1, 0);
    top->addWidget(ln_Mot_de_passe, 0, 1);
    top->addWidget(MotDePasse, 1, 1);
    top->addWidget(RespectRep, 0, 2);
    top->addLayout(smallButtons, 1, 2, Qt::AlignLeft);
    top->addWidget(lb_fichiers_a_traiter, 0, 3);
    auto *scope = new QVBoxLayout;
    scope->setSpacing(0);
    scope->addWidget(ExtraireTout);
    scope->addWidget(ExtraireUn);
    top->addLayout(scope, 1, 3);
    top->addWidget(ExtractZips, 0, 4, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    top->setColumnStretch(0, 1);
    root->addWidget(PanelHaut);

    // Central part: left browser and entry list, yellow splitter, viewer pane.
    Splitter1 = named(new QSplitter(Qt::Horizontal, central), "Splitter1");
    PanelGauche = panel(Splitter1, "PanelGauche");
    PanelGauche->setMinimumWidth(DesignSplitter1);
    auto *left = new QHBoxLayout(PanelGauche);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(2);

    // The browser keeps its width; widening the left side widens the entry list.
    Panel_rep_et_fics = panel(PanelGauche, "Panel_rep_et_fics");
    Panel_rep_et_fics->setFixedWidth(162);
    auto *browserColumn = new QVBoxLayout(Panel_rep_et_fics);
    browserColumn->setContentsMargins(0, 0, 0, 0);
    Splitter2 = named(new QSplitter(Qt::Vertical, Panel_rep_et_fics), "Splitter2");
    browserColumn->addWidget(Splitter2);
    Panel4 = panel(Splitter2, "Panel4");
    Panel4->setMinimumHeight(DesignSplitter2);
    auto *browser = new QVBoxLayout(Panel4);
    browser->setContentsMargins(0, 0, 0, 0);
    browser->setSpacing(1);
    auto *drives = new QHBoxLayout;
    drives->setSpacing(1);
    DriveComboBox1 = named(new TDriveComboBox(Panel4), "DriveComboBox1");
    SelSrc = smallButton(Panel4, "SelSrc", QStyle::SP_DirIcon);
    drives->addWidget(DriveComboBox1, 1);
    drives->addWidget(SelSrc);
    browser->addLayout(drives);
    DirectoryListBox1 = named(new TDirectoryListBox(Panel4), "DirectoryListBox1");
    browser->addWidget(DirectoryListBox1, 1);
    FilterComboBox1 = named(new QComboBox(Panel4), "FilterComboBox1");
    browser->addWidget(FilterComboBox1);
    FileListBox1 = named(new TFileListBox(Splitter2), "FileListBox1");
    FileListBox1->setMask(QStringLiteral("*.zip"));
    Splitter2->addWidget(Panel4);
    Splitter2->addWidget(FileListBox1);
    styleSplitter(Splitter2);
    // A taller window lengthens the file list; the folder panel keeps its
    // height, so the divider stays where the user put it.
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({DesignSplitter2, 200});
    left->addWidget(Panel_rep_et_fics);

    Panel3 = panel(PanelGauche, "Panel3");
    auto *entries = new QVBoxLayout(Panel3);
    entries->setContentsMargins(0, 0, 0, 0);
    entries->setSpacing(1);
    lb_Contenu_Archive = named(new QLabel(QStringLiteral("Contenu de l'archive :"), Panel3), "lb_Contenu_Archive");
    entries->addWidget(lb_Contenu_Archive);
    ListeficsZip = named(new TEntryListView(Panel3), "ListeficsZip");
    ListeficsZip->setFont(look::arial(12, true));
    ListeficsZip->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListeficsZip->setContextMenuPolicy(Qt::CustomContextMenu);
    ListeficsZip->setUniformItemSizes(true);
    entries->addWidget(ListeficsZip, 1);
    PanInfosFichier = panel(Panel3, "PanInfosFichier");
    PanInfosFichier->setFixedHeight(71);
    look::paintPanel(PanInfosFichier, Qt::black);
    auto *info = new QGridLayout(PanInfosFichier);
    info->setContentsMargins(3, 2, 2, 2);
    info->setHorizontalSpacing(2);
    info->setVerticalSpacing(0);
    lb_Infos_fichier = named(new QLabel(QStringLiteral("Infos fichier"), PanInfosFichier), "lb_Infos_fichier");
    FiGauge = gauge(PanInfosFichier, "FiGauge", 5);
    TailleFC = named(new QLabel(PanInfosFichier), "TailleFC");
    TailleFD = named(new QLabel(PanInfosFichier), "TailleFD");
    TailleFD->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DateFic = named(new QLabel(PanInfosFichier), "DateFic");
    Actu = named(new QPushButton(QStringLiteral("Actu..."), PanInfosFichier), "Actu");
    Ajout = named(new QPushButton(QStringLiteral("Ajout..."), PanInfosFichier), "Ajout");
    Suppr = named(new QPushButton(QStringLiteral("Suppr."), PanInfosFichier), "Suppr");
    // At the design width the two sizes do not fit side by side: each has
    // its row, the compressed size on the left, the full size on the right.
    info->addWidget(lb_Infos_fichier, 0, 0);
    info->addWidget(FiGauge, 1, 0);
    info->addWidget(TailleFC, 2, 0);
    info->addWidget(TailleFD, 3, 0);
    info->addWidget(DateFic, 4, 0, Qt::AlignHCenter);
    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(1);
    for (QPushButton *b : {Actu, Ajout, Suppr}) {
        b->setFixedSize(58, 21);
        b->setFont(look::arial(11));
        buttons->addWidget(b);
    }
    for (QLabel *l : {lb_Infos_fichier, TailleFC, TailleFD, DateFic})
        l->setFont(look::arial(11));
    info->addLayout(buttons, 0, 1, 5, 1);
    info->setColumnStretch(0, 1);
    entries->addWidget(PanInfosFichier);
    left->addWidget(Panel3, 1);

    // Viewer pane: its caption shows while no viewer is visible.
    PanelDroite = named(new TCaptionPanel(Splitter1), "PanelDroite");
    PanelDroite->setText(QStringLiteral("... Tovo en attente ..."));
    PanelDroite->setFrameShape(QFrame::StyledPanel);
    look::paintPanel(PanelDroite, look::Teal, Qt::white);
    auto *viewer = new QVBoxLayout(PanelDroite);
    viewer->setContentsMargins(0, 0, 0, 0);
    viewer->setSpacing(0);
    libfic = named(new TCaptionPanel(PanelDroite, Qt::AlignLeft | Qt::AlignVCenter), "libfic");
    libfic->setFixedHeight(22);
    look::paintPanel(libfic, Qt::black);
    auto *header = new QHBoxLayout(libfic);
    header->setContentsMargins(0, 0, 2, 0);
    header->addStretch(1);
    PanFormatTextes = panel(libfic, "PanFormatTextes");
    auto *format = new QHBoxLayout(PanFormatTextes);
    format->setContentsMargins(0, 0, 0, 0);
    format->setSpacing(4);
    police = named(new QComboBox(PanFormatTextes), "police");
    police->setFixedWidth(125);
    cHTML = named(new QCheckBox(QStringLiteral("HTML"), PanFormatTextes), "cHTML");
    cHTML->setChecked(true);
    QPalette onBlack = cHTML->palette();
    onBlack.setColor(QPalette::WindowText, Qt::white);
    cHTML->setPalette(onBlack);
    Taille = named(new QSpinBox(PanFormatTextes), "Taille");
    Taille->setRange(6, 24);
    Taille->setValue(10);
    look::darkIndicators(Taille);
    format->addWidget(police);
    format->addWidget(cHTML);
    format->addWidget(Taille);
    header->addWidget(PanFormatTextes);
    viewer->addWidget(libfic);
    // The viewers, one shown at a time. The text font is given whole (weight
    // and slant included), so a bold caption of the pane never reaches them.
    QFont textFont(QStringLiteral("Arial"), 10);
    textFont.setWeight(QFont::Normal);
    textFont.setItalic(false);
    GIFImage = named(new TGifView(PanelDroite), "GIFImage");
    GIFImage->setAccessibleName(QStringLiteral("Aperçu : image animée"));
    Memo1 = named(new TTextMemo(PanelDroite), "Memo1");
    Memo1->setAccessibleName(QStringLiteral("Aperçu : texte"));
    Memo1->setFont(textFont);
    RTF = named(new TRtfView(PanelDroite), "RTF");
    RTF->setAccessibleName(QStringLiteral("Aperçu : document RTF"));
    RTF->setFont(textFont);
    html = named(new THtmlView(PanelDroite), "html");
    html->setAccessibleName(QStringLiteral("Aperçu : page HTML"));
    html->setDefaultFont(QFont(QStringLiteral("Arial"), 11));
    PMultiMedia1 = named(new TImageView(PanelDroite), "PMultiMedia1");
    PMultiMedia1->setAccessibleName(QStringLiteral("Aperçu : image"));
    ListeTexte = named(new TTextListView(PanelDroite), "ListeTexte");
    ListeTexte->setAccessibleName(QStringLiteral("Aperçu : lignes du texte"));
    ListeTexte->setFont(textFont);
    for (QWidget *w : std::initializer_list<QWidget *>{GIFImage, Memo1, RTF, html, PMultiMedia1, ListeTexte}) {
        w->hide();
        viewer->addWidget(w, 1);
    }
    // With no viewer shown the header stays on top and the caption shows below.
    viewer->setAlignment(libfic, Qt::AlignTop);
    Splitter1->addWidget(PanelGauche);
    Splitter1->addWidget(PanelDroite);
    styleSplitter(Splitter1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({DesignSplitter1 + 80, MinWidth - DesignSplitter1 - 80});
    root->addWidget(Splitter1, 1);

    // Bottom bar: sizes of the archive, EXE, progress, Fermer and Aide.
    PanelBas = panel(central, "PanelBas");
    PanelBas->setFixedHeight(31);
    auto *bottom = new QHBoxLayout(PanelBas);
    bottom->setContentsMargins(0, 0, 4, 0);
    bottom->setSpacing(6);
    Panel1 = panel(PanelBas, "Panel1");
    Panel1->setFixedWidth(165);
    look::paintPanel(Panel1, Qt::black);
    auto *sizes = new QGridLayout(Panel1);
    sizes->setContentsMargins(3, 1, 3, 1);
    sizes->setVerticalSpacing(0);
    lb_Tailles_du_ZIP = named(new QLabel(QStringLiteral("Tailles du ZIP"), Panel1), "lb_Tailles_du_ZIP");
    lb_Tailles_du_ZIP->setFont(look::arial(10));
    ZipGauge = gauge(Panel1, "ZipGauge", 5);
    TailleC = named(new QLabel(Panel1), "TailleC");
    TailleD = named(new QLabel(Panel1), "TailleD");
    TailleC->setFont(look::arial(10));
    TailleD->setFont(look::arial(10));
    TailleD->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sizes->addWidget(lb_Tailles_du_ZIP, 0, 0, 1, 2);
    sizes->addWidget(ZipGauge, 1, 0, 1, 2);
    sizes->addWidget(TailleC, 2, 0);
    sizes->addWidget(TailleD, 2, 1);
    bottom->addWidget(Panel1);
    Crexe = named(new QPushButton(QStringLiteral("EXE"), PanelBas), "Crexe");
    Crexe->setFixedSize(50, 25);
    bottom->addWidget(Crexe);
    Gauge = gauge(PanelBas, "Gauge", 16);
    bottom->addWidget(Gauge, 1);
    PanBtQuitter = panel(PanelBas, "PanBtQuitter");
    PanBtQuitter->setFixedWidth(241);
    auto *quit = new QHBoxLayout(PanBtQuitter);
    quit->setContentsMargins(0, 0, 0, 0);
    Quitter = named(new QPushButton(QStringLiteral("Fermer"), PanBtQuitter), "Quitter");
    Quitter->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    btAide = named(new QPushButton(QStringLiteral("Aide"), PanBtQuitter), "btAide");
    btAide->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    quit->addWidget(Quitter);
    quit->addWidget(btAide);
    bottom->addWidget(PanBtQuitter);
    root->addWidget(PanelBas);

    nameControls();
    resize(MinWidth, MinHeight);
}

// What screen readers call the controls that have neither a caption nor a
// label of their own: hints for the small controls (they help everyone),
// names for the lists and viewers, whose hints would hide their contents.
void TPrincipale::nameControls()
{
    lb_nomzip->setBuddy(NomFic);
    ln_Mot_de_passe->setBuddy(MotDePasse);
    lb_Contenu_Archive->setBuddy(ListeficsZip);
    DriveComboBox1->setToolTip(QStringLiteral("Volume à parcourir"));
    SelSrc->setToolTip(QStringLiteral("Choisir le répertoire à parcourir..."));
    FilterComboBox1->setToolTip(QStringLiteral("Type des fichiers affichés"));
    police->setToolTip(QStringLiteral("Police des textes affichés"));
    Taille->setToolTip(QStringLiteral("Taille des textes affichés"));
    DirectoryListBox1->setAccessibleName(QStringLiteral("Répertoires"));
    FileListBox1->setAccessibleName(QStringLiteral("Archives du répertoire"));
    for (QWidget *viewer : std::initializer_list<QWidget *>{Memo1, RTF, html, ListeTexte})
        viewer->setAccessibleName(QStringLiteral("Aperçu du fichier"));
}

} // namespace tovo
