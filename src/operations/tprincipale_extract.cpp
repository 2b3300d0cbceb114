// Extraction of all or the checked entries after the confirmation dialog,
// the extraction scope's radio buttons, and the main window's two folder
// buttons (the archive's folder, the browser panel's chooser).
#include "shell/tprincipale.h"

#include "browse/tentrymodel.h"
#include "engine/tzipengine.h"
#include "operations/explorer.h"
#include "operations/tchoixrep.h"
#include "operations/tconf.h"
#include "shell/forms.h"
#include "shell/fswidgets.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace tovo {
namespace {

// The selected scope's caption is bold. Each button keeps the width of its
// bold caption, so the top panel does not shift when the scope changes.
void markScope(QRadioButton *all, QRadioButton *checked)
{
    for (QRadioButton *button : {all, checked}) {
        QFont f = button->font();
        f.setBold(false);
        const int regular = QFontMetrics(f).horizontalAdvance(button->text());
        f.setBold(true);
        const int bold = QFontMetrics(f).horizontalAdvance(button->text());
        if (button->font().bold() != button->isChecked()) {
            f.setBold(button->isChecked());
            button->setFont(f);
        }
        // An unchanged width asks for no new layout, so this settles at once.
        button->setMinimumWidth(button->sizeHint().width() + (button->isChecked() ? 0 : bold - regular));
    }
}

// The captions come from the label table after the window is built: the
// widths follow whenever the panel holding the buttons is laid out again.
class ScopeWidths : public QObject {
public:
    ScopeWidths(QRadioButton *all, QRadioButton *checked) : QObject(all), m_all(all), m_checked(checked)
    {
        all->parentWidget()->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            markScope(m_all, m_checked);
        return false;
    }

private:
    QRadioButton *m_all;
    QRadioButton *m_checked;
};

} // namespace

void TPrincipale::connectOperations()
{
    connect(ExtractZips, &QPushButton::clicked, this, &TPrincipale::ExtractZipsClick);
    connect(ExtraireTout, &QRadioButton::clicked, this, &TPrincipale::ExtraireToutClick);
    connect(ExtraireUn, &QRadioButton::clicked, this, &TPrincipale::ExtraireToutClick);
    // The bold caption marks the scope however it was selected (the count
    // of check marks selects it too); only a click moves the focus.
    connect(ExtraireTout, &QRadioButton::toggled, this, [this] { markScope(ExtraireTout, ExtraireUn); });
    markScope(ExtraireTout, ExtraireUn);
    new ScopeWidths(ExtraireTout, ExtraireUn);
    connect(OuvreRepertoireDestination, &QToolButton::clicked, this, &TPrincipale::OuvreRepertoireDestinationClick);
    connect(SelSrc, &QToolButton::clicked, this, &TPrincipale::SelRepDestClick);
}

void TPrincipale::ExtractZipsClick()
{
    TConf *conf = AppForms().Conf;
    if (!conf)
        return;
    ListeficsZip->setFocus();
    ReplaceAllChosen = false;

    const bool checkedOnly = ExtraireUn->isChecked();
    if (checkedOnly) {
        conf->Label1->setText(DisplayText(GetLabel(49)));
        QString names;
        for (int row = 0; row < Entries->count(); ++row) {
            if (Entries->isChecked(row))
                names += Entries->data(Entries->index(row), Qt::DisplayRole).toString() + QLatin1Char(' ');
        }
        conf->NomF->setText(names);
    } else {
        conf->Label1->setText(DisplayText(GetLabel(50)));
        conf->NomF->setText(StripQuotes(NomFic->text()));
    }
    conf->ArchiveName = NomFic->text();
    conf->RemplForce->setChecked(false);
    conf->ChoseDestination = false;
    const int answer = Messages().execDialog(conf);
    // A destination confirmed in the chooser stays, whatever the answer.
    if (conf->ChoseDestination)
        DestinationChosen = true;
    if (answer != IdYes)
        return;

    XZip->Overwrite = conf->RemplForce->isChecked() ? xowAlways : xowAsk;
    XZip->ExtractDirectory = conf->RepDest->text();
    XZip->UsePaths = RespectRep->isEnabled() ? RespectRep->isChecked() : true;
    XZip->FilesToProcess = checkedOnly ? Entries->checkedNames() : QStringList{QStringLiteral("*.*")};
    XZip->Password = MotDePasse->text();
    // A failure or a warning was reported by the runner and stays the last
    // word; only a full success is announced. After a warning the files that
    // were extracted are still worth showing, when a folder received them.
    if (RunEngineCommand(QLatin1Char('E'))) {
        const bool success = LastEngineCode == 0;
        if (success)
            ShowLabelMessage(QStringLiteral("M"), 130, 3);
        if (conf->OuvRep->isChecked() && (success || QFileInfo(conf->RepDest->text()).isDir()))
            conf->OuvreRepertoireDestination->click();
    }

    // Whatever the result, the check marks are spent.
    ListeficsZip->setFocus();
    Entries->setAllChecked(false);
    UpdateSelectionInfo();
    QApplication::processEvents();
}

void TPrincipale::ExtraireToutClick()
{
    markScope(ExtraireTout, ExtraireUn);
    ListeficsZip->setFocus();
}

void TPrincipale::OuvreRepertoireDestinationClick() { OpenFolderInExplorer(DirectoryPart(NomFic->text())); }

void TPrincipale::SelRepDestClick()
{
    TChoixRep *chooser = AppForms().ChoixRep;
    if (!chooser)
        return;
    chooser->ArchiveName = NomFic->text();
    chooser->OpenChooserAt(DirectoryListBox1->directory());
    if (Messages().execDialog(chooser) != QDialog::Accepted)
        return;
    const QString chosen = chooser->edit1->text();
    if (chosen.isEmpty())
        return;
    DriveComboBox1->setDriveOf(chosen);
    DirectoryListBox1->setDirectory(chosen);
    FileListBox1->setFocus();
}

} // namespace tovo
