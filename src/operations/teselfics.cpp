#include "operations/teselfics.h"

#include "shell/helpwindow.h"
#include "shell/look.h"
#include "shell/messageservice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovo {
using look::named;
namespace {

// The design-time filter list, replaced at start by the label table.
const QString DesignFilters = QStringLiteral(
    "Tous les fichiers (*.*)|*.*|Exécutables|*.exe|Web|*.htm?|"
    "Images|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.wmf;*.tga;*.jpeg;*.ico;*.ps;*.ai|"
    "DOC|*.doc|Textes|*.txt;*.ini;*.diz;*.me;*.moi");

} // namespace

TEselfics::TEselfics(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Eselfics"));
    setWindowTitle(QStringLiteral("Sélection de fichier(s)"));
    look::applyFormLook(this);
    setFixedSize(DesignWidth, DesignHeight);

    lbRepRech = named(new QLabel(QStringLiteral("Répertoire de recherche :"), this), "lbRepRech");
    Repsrc = named(new QLineEdit(this), "Repsrc");
    RepsrcBrowse = named(new QToolButton(this), "RepsrcBrowse");
    RepsrcBrowse->setText(QStringLiteral("..."));
    RepsrcBrowse->setFixedSize(26, 24);
    Button2 = look::plainButton(this, "Button2", QStringLiteral("="));
    Button2->setFixedSize(26, 24);
    Lister = named(new QCheckBox(QStringLiteral("Chercher sous-répertoire(s)"), this), "Lister");
    Lister->setChecked(true);

    LbSelFics = named(new QLabel(QStringLiteral("Sélection des fichiers :"), this), "LbSelFics");
    Filtre = named(new QComboBox(this), "Filtre");
    Masque = named(new QLineEdit(QStringLiteral("*.*"), this), "Masque");
    Button1 = look::plainButton(this, "Button1", QStringLiteral("Chercher..."));
    Button1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));

    Fics = named(new QListWidget(this), "Fics");
    Fics->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Fics->setUniformItemSizes(true);

    Label2 = named(new QLabel(QStringLiteral("Liste des fichiers trouvés :\n"
                                             "cochez ceux à ajouter à l'archive."),
                              this),
                   "Label2");
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lb_compte = named(new QLabel(QStringLiteral("0 Fichier(s) sélectionné(s)"), this), "lb_compte");
    lb_compte->setAlignment(Qt::AlignCenter);
    lb_compte->setWordWrap(true);
    lb_compte->setMinimumHeight(22);
    look::paintPanel(lb_compte, Qt::white, Qt::black);
    lbEtat = named(new QLabel(QStringLiteral("Etat"), this), "lbEtat");
    Etat = named(new QCheckBox(this), "Etat");
    Etat->setChecked(true);
    TousFics = look::plainButton(this, "TousFics", QStringLiteral("Tous fichiers"));
    Selection = look::plainButton(this, "Selection", QStringLiteral("Sélection"));

    lbComp = named(new QLabel(QStringLiteral("Compression:"), this), "lbComp");
    LbAucune = named(new QLabel(QStringLiteral("Aucune"), this), "LbAucune");
    NCompress = named(new QSlider(Qt::Horizontal, this), "NCompress");
    NCompress->setRange(0, 9);
    NCompress->setSingleStep(1);
    NCompress->setPageStep(1);
    NCompress->setTickPosition(QSlider::TicksBelow);
    NCompress->setTickInterval(1);
    NCompress->setValue(6);
    lbMaximum = named(new QLabel(QStringLiteral("Maximum"), this), "lbMaximum");
    for (QLabel *clickable : {LbAucune, lbMaximum}) {
        clickable->setCursor(Qt::PointingHandCursor);
        clickable->installEventFilter(this);
    }
    UtilSRep = named(new QCheckBox(QStringLiteral("Indiquer les sous-répertoire(s) dans le ZIP"), this), "UtilSRep");
    SupprimeFichiers =
        named(new QCheckBox(QStringLiteral("Supprimer les fichiers après l'archivage"), this), "SupprimeFichiers");

    // What screen readers call the controls without a caption of their own.
    lbRepRech->setBuddy(Repsrc);
    RepsrcBrowse->setToolTip(QStringLiteral("Choisir le répertoire de recherche..."));
    Button2->setToolTip(QStringLiteral("Le répertoire de l'archive"));
    LbSelFics->setBuddy(Masque);
    Filtre->setToolTip(QStringLiteral("Types de fichiers"));
    Label2->setBuddy(Fics);
    lbEtat->setBuddy(Etat);
    lbComp->setBuddy(NCompress);

    btOk = named(new QPushButton(QStringLiteral("&OK"), this), "btOk");
    btOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    btOk->setDefault(true);
    btOk->setEnabled(false);
    btAnnuler = look::plainButton(this, "btAnnuler", QStringLiteral("Annuler"));
    btAnnuler->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    BtAide = look::plainButton(this, "BtAide", QStringLiteral("Aide"));
    BtAide->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    setFilterList(DesignFilters);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);

    auto *searchHead = new QHBoxLayout;
    searchHead->addWidget(lbRepRech);
    searchHead->addStretch(1);
    searchHead->addWidget(Lister);
    layout->addLayout(searchHead);
    auto *search = new QHBoxLayout;
    search->setSpacing(0);
    search->addWidget(Repsrc, 1);
    search->addWidget(RepsrcBrowse);
    search->addSpacing(4);
    search->addWidget(Button2);
    layout->addLayout(search);
    layout->addWidget(LbSelFics);
    auto *masks = new QHBoxLayout;
    masks->addWidget(Filtre, 3);
    masks->addWidget(Masque, 3);
    masks->addWidget(Button1, 0);
    layout->addLayout(masks);

    auto *middle = new QHBoxLayout;
    middle->addWidget(Fics, 1);
    auto *marksBox = new QWidget(this);
    marksBox->setFixedWidth(170);
    auto *marks = new QVBoxLayout(marksBox);
    marks->setContentsMargins(0, 0, 0, 0);
    marks->setSpacing(4);
    marks->addWidget(Label2);
    marks->addWidget(lb_compte);
    auto *state = new QHBoxLayout;
    state->addWidget(lbEtat);
    state->addWidget(Etat);
    state->addStretch(1);
    marks->addLayout(state);
    marks->addWidget(TousFics);
    marks->addWidget(Selection);
    marks->addStretch(1);
    middle->addWidget(marksBox);
    layout->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    auto *options = new QVBoxLayout;
    options->setSpacing(2);
    auto *level = new QHBoxLayout;
    level->addWidget(lbComp);
    // Apart from the heading, so "Aucune" reads as the slider's left end.
    level->addSpacing(8);
    level->addWidget(LbAucune);
    level->addWidget(NCompress, 1);
    level->addWidget(lbMaximum);
    options->addLayout(level);
    options->addWidget(UtilSRep);
    options->addWidget(SupprimeFichiers);
    bottom->addLayout(options, 1);
    bottom->addSpacing(10);
    auto *answers = new QVBoxLayout;
    answers->setSpacing(3);
    answers->addWidget(btOk);
    answers->addWidget(btAnnuler);
    answers->addWidget(BtAide);
    bottom->addLayout(answers);
    layout->addLayout(bottom);
    for (QPushButton *b : {btOk, btAnnuler, BtAide})
        b->setFixedWidth(110);

    connect(Filtre, &QComboBox::activated, this, &TEselfics::FiltreChange);
    connect(RepsrcBrowse, &QToolButton::clicked, this, &TEselfics::browseRepsrc);
    connect(BtAide, &QPushButton::clicked, this, &TEselfics::BtAideClick);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TEselfics::setFilterList(const QString &filter)
{
    Filtre->clear();
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        Filtre->addItem(parts[i], parts[i + 1]);
    if (Filtre->count() > 0)
        Filtre->setCurrentIndex(0);
}

QString TEselfics::filterMasks(int index) const { return Filtre->itemData(index).toString(); }

void TEselfics::FiltreChange()
{
    Fics->clear();
    Masque->setText(filterMasks(Filtre->currentIndex()));
}

void TEselfics::LbAucuneClick() { NCompress->setValue(NCompress->minimum()); }

void TEselfics::lbMaximumClick() { NCompress->setValue(NCompress->maximum()); }

void TEselfics::BtAideClick() { ShowHelp(10); }

bool TEselfics::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == LbAucune || watched == lbMaximum)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *label = static_cast<QLabel *>(watched);
        if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
            if (watched == LbAucune)
                LbAucuneClick();
            else
                lbMaximumClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TEselfics::showEvent(QShowEvent *event)
{
    look::centerOnScreen(this);
    QDialog::showEvent(event);
}

void TEselfics::browseRepsrc()
{
    const std::optional<QString> chosen =
        Messages().chooseDirectory(this, QStringLiteral("Répertoire de recherche"), Repsrc->text(), false);
    if (chosen && !chosen->isEmpty())
        Repsrc->setText(*chosen);
}

} // namespace tovo
