#include "operations/teselfics.h"

#include "browse/tentrymodel.h"
#include "shell/helpwindow.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/look.h"
#include "shell/messageservice.h"
#include "shell/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
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

// While a search runs, found files reach the list and the window is
// repainted at most this often.
constexpr int ShowInterval = 50;

bool isEnter(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

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
    Masque->installEventFilter(this);
    Button1 = look::plainButton(this, "Button1", QStringLiteral("Chercher..."));
    Button1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));

    FicsModel = new TEntryModel(this);
    Fics = named(new QListView(this), "Fics");
    Fics->setModel(FicsModel);
    Fics->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Fics->setUniformItemSizes(true);
    Fics->setEditTriggers(QAbstractItemView::NoEditTriggers);

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

    FindFile1.BeforeExecute = [this](TFindFile *) { FindFile1BeforeExecute(); };
    FindFile1.AfterExecute = [this](TFindFile *) { FindFile1AfterExecute(); };
    FindFile1.OnNewPath = [this](TFindFile *, const QString &path, bool &abort) { FindFile1NewPath(path, abort); };

    connect(Filtre, &QComboBox::activated, this, &TEselfics::FiltreChange);
    connect(RepsrcBrowse, &QToolButton::clicked, this, &TEselfics::browseRepsrc);
    connect(Button1, &QPushButton::clicked, this, &TEselfics::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TEselfics::Button2Click);
    connect(Lister, &QCheckBox::clicked, this, &TEselfics::ListerClick);
    connect(FicsModel, &TEntryModel::checkToggled, this, &TEselfics::FicsClick);
    connect(Fics, &QListView::doubleClicked, this, &TEselfics::FicsDblClick);
    connect(TousFics, &QPushButton::clicked, this, &TEselfics::TousFicsClick);
    connect(Selection, &QPushButton::clicked, this, &TEselfics::SelectionClick);
    connect(BtAide, &QPushButton::clicked, this, &TEselfics::BtAideClick);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TEselfics::~TEselfics()
{
    if (m_searching)
        qApp->removeEventFilter(this);
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

QStringList TEselfics::checkedItems() const { return FicsModel->checkedNames(); }

QString TEselfics::itemOf(const QString &path, const QString &base, bool withSubDirectories)
{
    if (!withSubDirectories)
        return FileNamePart(path);
    // What the search found always starts with its base: the rule below
    // then gives the rest of the path.
    if (path.startsWith(base))
        return path.mid(base.size());
    const QString name = FileNamePart(path);
    // The directory part from the base's closing "/" on, without that "/".
    QString below = DirectoryPart(path).mid(qMax<qsizetype>(0, base.size() - 1));
    if (below.startsWith(QLatin1Char('/')))
        below.remove(0, 1);
    return AddBackslash(below) + name;
}

void TEselfics::FormActivate()
{
    Lister->setEnabled(true);
    Lister->setChecked(false);
    ListerClick();
    clearFound();
    if (!FontName.isEmpty()) {
        QFont f = Fics->font();
        f.setFamily(FontName);
        Fics->setFont(f);
    }
    if (FormColor.isValid()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, FormColor);
        setPalette(p);
    }
    if (Filtre->count() > 0)
        Filtre->setCurrentIndex(0);
    SupprimeFichiers->setChecked(false);
    FindFile1.Execute();
    UpdateCount();
}

void TEselfics::FindFile1BeforeExecute()
{
    FindFile1.Directory = Repsrc->text();
    FindFile1.Recurse = Lister->isEnabled() && Lister->isChecked();
    FindFile1.Filter = Masque->text();
    // The list fills while the search runs (see FindFile1NewPath).
    clearFound();
    m_base = AddBackslash(Repsrc->text());
    m_withSubDirectories = FindFile1.Recurse;
    m_shown = 0;
    m_stop = false;
    m_searching = true;
    m_sinceShown.invalidate();
    m_focus = focusWidget();
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

void TEselfics::FindFile1AfterExecute()
{
    qApp->removeEventFilter(this);
    m_searching = false;
    if (m_withSubDirectories && !Repsrc->text().isEmpty() && !Repsrc->text().endsWith(QLatin1Char('/')))
        Repsrc->setText(Repsrc->text() + QLatin1Char('/'));
    showFound();
    setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (m_focus)
        m_focus->setFocus();
}

void TEselfics::FindFile1NewPath(const QString &, bool &abort)
{
    // Only while the dialog is up: its modality keeps other windows' input
    // out of this nested round of the event loop.
    if (isVisible() && (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= ShowInterval)) {
        showFound();
        // The list lays its rows out again after each insertion, on a timer
        // that would fire only after the repaint: lay out now, or the rows
        // found so far would never be drawn during the search.
        Fics->doItemsLayout();
        QApplication::processEvents();
        m_sinceShown.start();
    }
    if (m_stop)
        abort = true;
}

void TEselfics::showFound()
{
    const QStringList &files = FindFile1.Files;
    for (; m_shown < files.size(); ++m_shown)
        FicsModel->appendPending(itemOf(files[m_shown], m_base, m_withSubDirectories), 0);
    FicsModel->commitPending();
}

void TEselfics::clearFound()
{
    FicsModel->clear();
    UpdateCount();
}

void TEselfics::Button1Click()
{
    clearFound();
    // A folder that is not there would only give an empty list.
    if (!QFileInfo(Repsrc->text()).isDir()) {
        ShowLabelMessage(QStringLiteral("M") + GetLabel(265) + QStringLiteral("\r[ ") + Repsrc->text() +
                             QStringLiteral(" ]"),
                         -1, 2);
        UpdateCount();
        return;
    }
    FindFile1.Execute();
    UpdateCount();
}

void TEselfics::FiltreChange()
{
    clearFound();
    Masque->setText(filterMasks(Filtre->currentIndex()));
}

void TEselfics::RepsrcAfterDialog(const QString &chosen)
{
    if (chosen != Repsrc->text()) {
        Repsrc->setText(chosen);
        clearFound();
    }
    UpdateCount();
}

void TEselfics::ListerClick()
{
    UtilSRep->setEnabled(Lister->isChecked());
    UtilSRep->setChecked(Lister->isChecked());
    clearFound();
}

void TEselfics::Button2Click()
{
    Repsrc->setText(AddBackslash(DirectoryPart(ArchiveName)));
    clearFound();
}

void TEselfics::FicsClick() { UpdateCount(); }

void TEselfics::FicsDblClick()
{
    const QModelIndex current = Fics->currentIndex();
    if (current.isValid())
        FicsModel->setChecked({current.row()}, !FicsModel->isChecked(current.row()));
    UpdateCount();
}

void TEselfics::TousFicsClick()
{
    FicsModel->setAllChecked(Etat->isChecked());
    UpdateCount();
}

void TEselfics::SelectionClick()
{
    std::vector<int> rows;
    for (const QModelIndex &index : Fics->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    FicsModel->setChecked(rows, Etat->isChecked());
    UpdateCount();
}

void TEselfics::LbAucuneClick() { NCompress->setValue(NCompress->minimum()); }

void TEselfics::lbMaximumClick() { NCompress->setValue(NCompress->maximum()); }

void TEselfics::BtAideClick() { ShowHelp(10); }

void TEselfics::UpdateCount()
{
    const int count = FicsModel->checkedCount();
    btOk->setEnabled(count > 0);
    lb_compte->setText(QString::number(count) + QLatin1Char(' ') + GetLabel(204));
}

bool TEselfics::eventFilter(QObject *watched, QEvent *event)
{
    if (m_searching) {
        // Only Escape gets through while searching: it stops the search.
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            m_stop = true;
            return true;
        }
        return false;
    }
    if (watched == Masque && isEnter(event)) {
        Button1Click();
        return true;
    }
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
        RepsrcAfterDialog(*chosen);
}

} // namespace tovo
