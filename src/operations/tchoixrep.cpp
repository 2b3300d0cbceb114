#include "operations/tchoixrep.h"

#include "operations/explorer.h"
#include "operations/favourites.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/fswidgets.h"
#include "shell/helpwindow.h"
#include "shell/look.h"
#include "shell/messageservice.h"
#include "shell/paths.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovo {
using look::named;
namespace {

QPushButton *smallButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = named(new QPushButton(text, parent), name);
    button->setFixedSize(26, 24);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TChoixRep::TChoixRep(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ChoixRep"));
    setWindowTitle(QStringLiteral("Sélection de répertoire"));
    look::applyFormLook(this);
    setFixedSize(DesignWidth, DesignHeight);

    btOk = named(new QPushButton(QStringLiteral("OK"), this), "btOk");
    btOk->setDefault(true);
    btOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    btAnnuler = named(new QPushButton(QStringLiteral("Annuler"), this), "btAnnuler");
    btAnnuler->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    btAnnuler->setAutoDefault(false);
    btAide = named(new QPushButton(QStringLiteral("Aide"), this), "btAide");
    btAide->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    btAide->setAutoDefault(false);

    Lecteur = named(new TDriveComboBox(this), "Lecteur");
    Button4 = smallButton(this, "Button4", QStringLiteral(" "));
    Liste = named(new TDirectoryListBox(this), "Liste");
    FileListBox1 = named(new TFileListBox(this), "FileListBox1");

    lbDest = named(new QLabel(QStringLiteral("Destination"), this), "lbDest");
    lbDest->setFont(look::arial(13, true));
    edit1 = named(new QLineEdit(this), "edit1");
    edit1->setReadOnly(true);
    edit1Browse = named(new QToolButton(this), "edit1Browse");
    edit1Browse->setText(QStringLiteral("..."));
    edit1Browse->setFixedSize(26, 24);
    Button1 = smallButton(this, "Button1", QStringLiteral("="));

    lbFav = named(new QLabel(QStringLiteral("Favoris :"), this), "lbFav");
    lbFav->setFont(look::arial(13, true));
    favoris = named(new QComboBox(this), "favoris");
    favoris->setMaxVisibleItems(15);
    favoris->setFont(look::arial(13, true));
    // White bold text on grey, in the box and in its drop-down list.
    QPalette grey = favoris->palette();
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
        grey.setColor(role, look::Grey);
    for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
        grey.setColor(role, Qt::white);
    favoris->setPalette(grey);
    // The drop-down list is a window of its own, which draws its rows from
    // the application's menu colours unless given the grey too.
    favoris->view()->setPalette(grey);
    Button2 = smallButton(this, "Button2", QStringLiteral("+"));
    Button3 = smallButton(this, "Button3", QStringLiteral("X"));

    btEplorer = named(new QToolButton(this), "btEplorer");
    btEplorer->setText(QStringLiteral("Explorer..."));
    btEplorer->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btEplorer->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btEplorer->setMinimumHeight(26);
    BtEtendre = named(new QPushButton(QStringLiteral("Etendre"), this), "BtEtendre");
    BtEtendre->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(5);

    auto *drive = new QHBoxLayout;
    drive->addWidget(Lecteur, 1);
    drive->addWidget(Button4);
    layout->addLayout(drive);

    auto *lists = new QHBoxLayout;
    lists->addWidget(Liste, 3);
    lists->addWidget(FileListBox1, 2);
    layout->addLayout(lists, 1);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(4);
    fields->setVerticalSpacing(5);
    fields->addWidget(lbDest, 0, 0);
    auto *dest = new QHBoxLayout;
    dest->setSpacing(0);
    dest->addWidget(edit1, 1);
    dest->addWidget(edit1Browse);
    fields->addLayout(dest, 0, 1);
    fields->addWidget(Button1, 0, 2);
    fields->addWidget(lbFav, 1, 0);
    fields->addWidget(favoris, 1, 1);
    auto *favButtons = new QHBoxLayout;
    favButtons->setSpacing(2);
    favButtons->addWidget(Button2);
    favButtons->addWidget(Button3);
    fields->addLayout(favButtons, 1, 2);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    auto *tools = new QHBoxLayout;
    tools->addWidget(btEplorer);
    tools->addWidget(BtEtendre);
    tools->addStretch(1);
    layout->addLayout(tools);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btAnnuler);
    buttons->addWidget(btAide);
    layout->addLayout(buttons);

    // What screen readers call the controls without a caption of their own.
    Lecteur->setToolTip(QStringLiteral("Volume"));
    Button4->setAccessibleName(QStringLiteral("Sans effet"));
    Liste->setAccessibleName(QStringLiteral("Répertoires"));
    FileListBox1->setAccessibleName(QStringLiteral("Fichiers du répertoire"));
    lbDest->setBuddy(edit1);
    edit1Browse->setToolTip(QStringLiteral("Choisir un répertoire..."));
    Button1->setToolTip(QStringLiteral("Le répertoire de l'archive"));
    lbFav->setBuddy(favoris);
    Button2->setToolTip(QStringLiteral("Ajouter ce répertoire aux favoris"));
    Button3->setToolTip(QStringLiteral("Retirer ce favori"));

    // The drive box drives the tree, the tree the file list and edit1.
    connect(Lecteur, &TDriveComboBox::driveChanged, Liste, &TDirectoryListBox::setDirectory);
    connect(Liste, &TDirectoryListBox::directoryChanged, FileListBox1, &TFileListBox::setDirectory);
    connect(Liste, &TDirectoryListBox::directoryChanged, this, &TChoixRep::listeChange);
    connect(Liste, &QAbstractItemView::doubleClicked, this, &TChoixRep::ListeDblClick);
    connect(edit1Browse, &QToolButton::clicked, this, &TChoixRep::browseEdit1);
    connect(BtEtendre, &QPushButton::clicked, this, &TChoixRep::BtEtendreClick);
    connect(btAide, &QPushButton::clicked, this, &TChoixRep::btAideClick);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    // Only a pick by the user enters a favourite, not the code's own
    // changes of the selection.
    connect(favoris, &QComboBox::activated, this, &TChoixRep::favorisChange);
    connect(Button2, &QPushButton::clicked, this, &TChoixRep::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TChoixRep::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &TChoixRep::Button1Click);
    connect(btEplorer, &QToolButton::clicked, this, &TChoixRep::btEplorerClick);

    OpenChooserAt(QDir::currentPath());
}

void TChoixRep::OpenChooserAt(const QString &start)
{
    if (Liste->setDirectory(start)) {
        Lecteur->setDriveOf(start);
        return;
    }
    // The drive box always names the drive of the directory the tree shows.
    Liste->setDirectory(ProgDir());
    Lecteur->setDriveOf(ProgDir());
}

void TChoixRep::FormShow()
{
    favoris->setCurrentIndex(-1);
    edit1->setText(Liste->directory());
}

void TChoixRep::listeChange(const QString &directory)
{
    edit1->setText(directory);
    m_edit1InitialDir = directory;
}

void TChoixRep::ListeDblClick() { edit1->setText(Liste->directory()); }

void TChoixRep::edit1AfterDialog(const QString &name, bool accepted)
{
    if (!accepted)
        return;
    Lecteur->setDriveOf(name);
    Liste->setDirectory(name);
    favoris->setCurrentIndex(-1);
}

void TChoixRep::BtEtendreClick()
{
    const QScreen *s = screen();
    if (!s)
        return;
    // The window frame counts in the height, as the top edge does.
    const int frame = frameGeometry().height() - height();
    setFixedHeight(s->geometry().height() - 60 - frame);
    move(x(), s->geometry().top() + 30);
}

void TChoixRep::btAideClick() { ShowHelp(14); }

void TChoixRep::favorisChange()
{
    const QString picked = favoris->currentText();
    if (picked.isEmpty())
        return;
    // Entering the directory is how a vanished or forbidden one shows.
    if (!QDir::setCurrent(picked) || !Liste->setDirectory(picked)) {
        ShowLabelMessage(QStringLiteral("M"), 265, 1);
        favoris->removeItem(favoris->currentIndex());
        favoris->setCurrentIndex(-1);
        return;
    }
    Lecteur->setDriveOf(picked);
}

void TChoixRep::Button2Click()
{
    const QString directory = Liste->directory();
    if (directory.isEmpty())
        return;
    for (int i = 0; i < favoris->count(); ++i) {
        if (favoris->itemText(i) == directory) {
            ShowLabelMessage(QStringLiteral("M"), 263, 1);
            return;
        }
    }
    if (ShowLabelMessage(QStringLiteral("d") + GetLabel(264) + QStringLiteral("\r[ ") + directory +
                             QStringLiteral(" ]"),
                         -1, 4) != IdYes)
        return;
    int place = 0;
    while (place < favoris->count() && !FavouriteLessThan(directory, favoris->itemText(place)))
        ++place;
    // Adding to an empty box would select the new item; nothing was picked.
    const bool nonePicked = favoris->currentIndex() < 0;
    favoris->insertItem(place, directory);
    if (nonePicked)
        favoris->setCurrentIndex(-1);
}

void TChoixRep::Button3Click()
{
    const QString selected = favoris->currentText();
    if (selected.isEmpty())
        return;
    // The question names the favourite that goes, which is not always the
    // directory the tree shows (the user may have moved since picking it).
    if (ShowLabelMessage(QStringLiteral("d") + GetLabel(266) + QStringLiteral("\r[ ") + selected +
                             QStringLiteral(" ]"),
                         -1, 4) != IdYes)
        return;
    favoris->removeItem(favoris->currentIndex());
    favoris->setCurrentIndex(-1);
}

void TChoixRep::Button1Click() { edit1->setText(DirectoryPart(ArchiveName)); }

void TChoixRep::btEplorerClick() { OpenFolderInExplorer(Liste->directory()); }

void TChoixRep::showEvent(QShowEvent *event)
{
    FormShow();
    look::centerOnScreen(this);
    QDialog::showEvent(event);
    // The tree was moved while hidden, when its view had no size of its own:
    // bring the current directory into view once the dialog is laid out.
    QTimer::singleShot(0, Liste,
                       [this] { Liste->scrollTo(Liste->currentIndex(), QAbstractItemView::PositionAtCenter); });
}

void TChoixRep::browseEdit1()
{
    const QString start = edit1->text().isEmpty() ? m_edit1InitialDir : edit1->text();
    const std::optional<QString> chosen = Messages().chooseDirectory(this, windowTitle(), start, true);
    bool accepted = chosen.has_value() && !chosen->isEmpty();
    if (accepted && !QFileInfo(*chosen).isDir()) {
        MessageBoxRequest ask;
        ask.text = QStringLiteral("Le répertoire « %1 » n'existe pas.\nVoulez-vous le créer ?").arg(*chosen);
        ask.icon = MessageIcon::Question;
        ask.buttons = MessageButtons::YesNo;
        accepted = Messages().showMessage(ask) == IdYes;
        if (accepted && !QDir().mkpath(*chosen)) {
            MessageBoxRequest failed;
            failed.text = QStringLiteral("Impossible de créer le répertoire « %1 ».").arg(*chosen);
            failed.icon = MessageIcon::Warning;
            Messages().showMessage(failed);
            accepted = false;
        }
    }
    if (accepted)
        edit1->setText(*chosen);
    edit1AfterDialog(chosen.value_or(QString()), accepted);
}

} // namespace tovo
