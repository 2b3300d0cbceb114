// Moves the remembered settings between the store and the controls of the
// main window and of the options, confirmation and add dialogs.
#include "shell/tprincipale.h"

#include "shell/captionpanel.h"
#include "shell/forms.h"
#include "shell/fswidgets.h"
#include "shell/hints.h"
#include "shell/paths.h"
#include "preview/thtmlview.h"
#include "preview/trtfview.h"
#include "preview/ttextlistview.h"
#include "preview/ttextmemo.h"
#include "shell/settingsstore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextEdit>
#include <QCheckBox>

namespace tovo {
namespace {

// The controls of the other forms, found by their names.
QObject *control(QWidget *form, const char *name)
{
    return form ? form->findChild<QObject *>(QString::fromLatin1(name)) : nullptr;
}

QWidget *formOf(void *form) { return static_cast<QWidget *>(form); }

bool checkedOf(QObject *box, bool fallback)
{
    auto *button = qobject_cast<QAbstractButton *>(box);
    return button ? button->isChecked() : fallback;
}

void setChecked(QObject *box, bool checked)
{
    if (auto *button = qobject_cast<QAbstractButton *>(box))
        button->setChecked(checked);
}

QString textOf(QObject *edit) { return edit ? edit->property("text").toString() : QString(); }

void setText(QObject *edit, const QString &text)
{
    if (edit)
        edit->setProperty("text", text);
}

} // namespace

void TPrincipale::setDirectoryBrowser(const QString &directory)
{
    DriveComboBox1->setDriveOf(directory);
    DirectoryListBox1->setDirectory(directory);
    FileListBox1->setDirectory(directory);
}

void TPrincipale::LoadSaveSettings(QChar mode)
{
    SettingsStore &store = *m_settings;
    QWidget *options = formOf(AppForms().EOptions);
    QWidget *adding = formOf(AppForms().Eselfics);
    QWidget *confirm = formOf(AppForms().Conf);
    QObject *bulles = control(options, "Bulles");
    QObject *desacTaille = control(options, "DesacTaille");
    QObject *desacTest = control(options, "DesacTest");

    if (mode == QLatin1Char('E')) {
        store.writeBool(QStringLiteral("HTML"), cHTML->isChecked());
        store.writeBool(QStringLiteral("Bulles"), checkedOf(bulles, false));
        store.writeBool(QStringLiteral("DesacTaille"), checkedOf(desacTaille, true));
        store.writeBool(QStringLiteral("DesacTest"), checkedOf(desacTest, false));
        store.writeText(QStringLiteral("Police"), police->currentText());
        store.writeInt(QStringLiteral("Taille"), Taille->value());
        store.writeInt(QStringLiteral("Top"), y());
        store.writeInt(QStringLiteral("Left"), x());
        store.writeInt(QStringLiteral("Height"), height());
        store.writeInt(QStringLiteral("Width"), width());
        store.writeInt(QStringLiteral("Splitter1"), PanelGauche->width());
        store.writeInt(QStringLiteral("Splitter2"), Panel4->height());
        store.writeText(QStringLiteral("Rep"), QCoreApplication::applicationFilePath());
        store.writeText(QStringLiteral("RepAjout"), textOf(control(adding, "Repsrc")));
        store.writeText(QStringLiteral("RepExtract"), textOf(control(confirm, "RepDest")));
        store.writeText(QStringLiteral("RepCourant"), DirectoryListBox1->directory());
        const int etat = (windowState() & Qt::WindowMinimized)   ? 1
                         : (windowState() & Qt::WindowMaximized) ? 3
                                                                 : 2;
        store.writeInt(QStringLiteral("Etat"), etat);
        if (!store.sync())
            showSaveError(117);
        SetHintsShown(checkedOf(bulles, false));
        return;
    }

    cHTML->setChecked(store.readBool(QStringLiteral("HTML"), true));
    setChecked(bulles, store.readBool(QStringLiteral("Bulles"), false));
    setChecked(desacTaille, store.readBool(QStringLiteral("DesacTaille"), true));
    setChecked(desacTest, store.readBool(QStringLiteral("DesacTest"), false));

    QFont textFont = ListeTexte->font();
    textFont.setFamily(store.readText(QStringLiteral("Police"), textFont.family()));
    ListeTexte->setFont(textFont);

    QObject *repsrc = control(adding, "Repsrc");
    const QString repAjout = store.readText(QStringLiteral("RepAjout"), DefaultWorkFolder());
    setText(repsrc, repAjout);
    if (repsrc && repsrc->metaObject()->indexOfProperty("initialDir") >= 0)
        repsrc->setProperty("initialDir", repAjout);
    setText(control(confirm, "RepDest"), store.readText(QStringLiteral("RepExtract"), DefaultWorkFolder()));

    QString current = store.readText(QStringLiteral("RepCourant"), DefaultWorkFolder());
    if (current.isEmpty() || !QDir::setCurrent(current))
        current = DefaultWorkFolder();
    setDirectoryBrowser(current);

    textFont.setPointSize(qMax(1, store.readInt(QStringLiteral("Taille"), textFont.pointSize())));
    ListeTexte->setFont(textFont);

    SavedPlacement saved;
    saved.top = store.readInt(QStringLiteral("Top"), 1);
    saved.left = store.readInt(QStringLiteral("Left"), 1);
    saved.height = store.readInt(QStringLiteral("Height"), height());
    saved.width = store.readInt(QStringLiteral("Width"), width());
    const int etat = store.readInt(QStringLiteral("Etat"), 2);

    const int splitter1 = store.readInt(QStringLiteral("Splitter1"), DesignSplitter1);
    const int splitter2 = store.readInt(QStringLiteral("Splitter2"), DesignSplitter2);
    const QList<int> wide = Splitter1->sizes();
    Splitter1->setSizes({splitter1, qMax(0, wide.value(0) + wide.value(1) - splitter1)});
    const QList<int> tall = Splitter2->sizes();
    Splitter2->setSizes({splitter2, qMax(0, tall.value(0) + tall.value(1) - splitter2)});

    Memo1->setFont(textFont);
    RTF->setFont(textFont);
    html->setDefaultFont(textFont);
    SetHintsShown(checkedOf(bulles, false));

    if (etat == 1)
        setWindowState(Qt::WindowMinimized);
    else if (etat == 3)
        setWindowState(Qt::WindowMaximized);
    else if (etat == 2)
        setWindowState(Qt::WindowNoState);
    if (etat == 2) {
        const QSize screenSize = screen() ? screen()->size() : QSize(MinWidth, MinHeight);
        const QRect placed = ResolvePlacement(saved, QRect(pos(), size()), screenSize);
        move(placed.topLeft());
        resize(placed.size());
    }
}

} // namespace tovo
