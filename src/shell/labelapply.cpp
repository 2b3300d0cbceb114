// Puts the label texts on the controls of the nine forms.
#include "shell/tprincipale.h"

#include "engine/tinterruption.h"
#include "operations/tchoixrep.h"
#include "operations/tconf.h"
#include "operations/teselfics.h"
#include "options/teoptions.h"
#include "preview/tfullslide.h"
#include "shell/accessiblenames.h"
#include "shell/captionpanel.h"
#include "shell/taboutbox.h"
#include "shell/tfrmsplash.h"
#include "shell/forms.h"
#include "shell/labelmessages.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>

Q_DECLARE_LOGGING_CATEGORY(lcLabels)

namespace tovo {
namespace {

enum class Use { Caption, Hint, Filter, DialogTitle, ButtonHint, WindowCaption, Literal };

struct LabelUse {
    int form; // index in the order of creation: 0 main window ... 8 files to add
    const char *object;
    int label;
    Use use = Use::Caption;
    const char *before = "";
    const char *after = "";
};

enum { Main = 0, Conf = 6, About = 5, Options = 7, Chooser = 4, Adding = 8 };

const LabelUse kUses[] = {
    {Main, "lb_nomzip", 4}, {Main, "ln_Mot_de_passe", 6}, {Main, "RespectRep", 7},
    {Main, "lb_fichiers_a_traiter", 8}, {Main, "ExtraireTout", 9}, {Main, "ExtraireUn", 10},
    {Main, "ExtractZips", 11}, {Main, "lb_Contenu_Archive", 12}, {Main, "lb_Infos_fichier", 13},
    {Main, "Actu", 14}, {Main, "Ajout", 15}, {Main, "Suppr", 16}, {Main, "lb_Tailles_du_ZIP", 17},
    {Main, "Quitter", 18}, {Main, "btAide", 19}, {Main, "PanelDroite", 127}, {Main, "libfic", 219, Use::Caption, " "},
    {Main, "Quitter1", 34}, {Main, "Options1", 35}, {Main, "Aide1", 36}, {Main, "Apropos1", 37},
    {Main, "MenuHisto", 275}, {Main, "Exec1", 248}, {Main, "Sel1", 249}, {Main, "DSel1", 250},
    {Main, "BtActu", 23, Use::Hint}, {Main, "CopyZip", 24, Use::Hint},
    {Main, "OuvreRepertoireDestination", 27, Use::Hint}, {Main, "ExtractZips", 28, Use::Hint},
    {Main, "Actu", 29, Use::Hint}, {Main, "Ajout", 30, Use::Hint}, {Main, "Suppr", 31, Use::Hint},
    {Main, "NomFic", 22, Use::ButtonHint}, {Main, "NomFic", 205, Use::Filter},
    {Main, "FilterComboBox1", 205, Use::Filter}, {Main, "NomFic", 206, Use::DialogTitle},
    {Conf, "", 48, Use::WindowCaption}, {Conf, "lb_rep", 5}, {Conf, "OuvRep", 52}, {Conf, "LbConfirmer", 53},
    {Conf, "BitBtn1", 54}, {Conf, "BitBtn2", 55}, {Conf, "RemplForce", 273}, {Conf, "SelRepDest", 25, Use::Hint},
    {Conf, "btEgale", 26, Use::Hint}, {Conf, "OuvreRepertoireDestination", 27, Use::Hint},
    {About, "", 40, Use::WindowCaption}, {About, "lb_gest", 41},
    {Options, "Bulles", 59}, {Options, "CreerRacc", 61}, {Options, "btOk", 76}, {Options, "btAide", 77},
    {Options, "btAnnuler", 78}, {Options, "AssoZip", 253}, {Options, "DesacTaille", 277},
    {Options, "DesacTest", 278}, {Options, "lbHistorique", 275, Use::Caption, " ", " "},
    {Chooser, "btOk", 0, Use::Literal, "Ok"}, {Chooser, "lbDest", 268}, {Chooser, "lbFav", 269},
    {Chooser, "btEplorer", 270}, {Chooser, "BtEtendre", 271}, {Chooser, "btAnnuler", 78}, {Chooser, "btAide", 19},
    {Adding, "", 64, Use::WindowCaption}, {Adding, "lbRepRech", 65}, {Adding, "LbSelFics", 66},
    {Adding, "Filtre", 67, Use::Filter}, {Adding, "Label2", 68}, {Adding, "TousFics", 69},
    {Adding, "Selection", 70}, {Adding, "UtilSRep", 71}, {Adding, "SupprimeFichiers", 72}, {Adding, "lbComp", 73},
    {Adding, "LbAucune", 74}, {Adding, "lbMaximum", 75}, {Adding, "BtAide", 19}, {Adding, "btAnnuler", 78},
    {Adding, "lbEtat", 243},
};

QWidget *formAt(int index)
{
    const Forms &f = AppForms();
    QWidget *forms[] = {f.Principale, f.frmSplash, f.Interruption, f.FullSlide, f.ChoixRep,
                        f.AboutBox,   f.Conf,      f.EOptions,     f.Eselfics};
    return forms[index];
}

void setCaption(QObject *object, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(object))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(object))
        button->setText(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setText(text);
    else if (auto *menu = qobject_cast<QMenu *>(object))
        menu->setTitle(text);
    else if (auto *group = qobject_cast<QGroupBox *>(object))
        group->setTitle(text);
    else if (auto *panel = qobject_cast<TCaptionPanel *>(object))
        panel->setText(text);
    else
        qCWarning(lcLabels) << "no caption on" << object->objectName();
}

void setHint(QObject *object, const QString &text)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setToolTip(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setToolTip(text);
}

// A filter combo shows the descriptions and keeps each pattern as item data.
void setFilterList(QObject *object, const QString &filter)
{
    if (auto *edit = qobject_cast<TFileNameEdit *>(object)) {
        edit->setFilter(filter);
        return;
    }
    auto *combo = qobject_cast<QComboBox *>(object);
    if (!combo)
        return;
    combo->clear();
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        combo->addItem(parts[i], parts[i + 1]);
}

} // namespace

void ApplyLabels()
{
    for (const LabelUse &use : kUses) {
        QWidget *form = formAt(use.form);
        if (!form)
            continue;
        QObject *object = *use.object ? form->findChild<QObject *>(QString::fromLatin1(use.object)) : form;
        if (!object) {
            qCWarning(lcLabels) << "no control" << use.object << "on form" << use.form;
            continue;
        }
        const QString text = use.use == Use::Literal
                                 ? QString::fromUtf8(use.before)
                                 : QString::fromUtf8(use.before) + GetLabel(use.label) + QString::fromUtf8(use.after);
        switch (use.use) {
        case Use::Caption:
        case Use::Literal: setCaption(object, DisplayText(text)); break;
        case Use::Hint: setHint(object, DisplayText(text)); break;
        case Use::Filter: setFilterList(object, text); break;
        case Use::DialogTitle:
            if (auto *edit = qobject_cast<TFileNameEdit *>(object))
                edit->setDialogTitle(text);
            break;
        case Use::ButtonHint:
            if (auto *edit = qobject_cast<TFileNameEdit *>(object))
                edit->setButtonHint(DisplayText(text));
            break;
        case Use::WindowCaption: qobject_cast<QWidget *>(object)->setWindowTitle(DisplayText(text)); break;
        }
    }
}

// Loads the label table from the labels file beside the program and the label
// store of the data folder, reports every fault through FatalError, and
// applies the labels to the forms.
void LoadLabels()
{
    DataFile(LabelStoreFileName); // an installed program's first start seeds it
    const LabelLoadResult result = LoadLabelFiles(ProgDir(), DataDir());
    SetLabelTable(result.labels);
    // The first fault is the one worth reading; the program ends after it.
    if (!result.fatalErrors.isEmpty()) {
        FatalError(result.fatalErrors.first());
        return;
    }
    ApplyLabels();
    NameControlsOfAllWindows();
}

} // namespace tovo
