// The main window's life: start-up from the files beside the program,
// labels on the forms, settings, history, command line, quitting and closing.
#include "preview/ttextlistview.h"
#include "shell/helpwindow.h"
#include "shell/tfrmsplash.h"
#include "support/mainwindowfixture.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

#include <unistd.h>

using namespace tovo;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

class MainWindowTest : public test::MainWindowFixture {
protected:
    QString ini() const { return settingsDir.filePath(QStringLiteral("Velmora/tovo.ini")); }

    void writeSettings(const QList<std::pair<QString, QString>> &values)
    {
        QSettings s(ini(), QSettings::IniFormat);
        for (const auto &[k, v] : values)
            s.setValue(QStringLiteral("tovo/") + k, v);
    }

    // The archives the fake modules were asked to test, in order.
    QStringList testedArchives() const
    {
        QStringList names;
        for (const QStringList &call : calls()) {
            if (call.contains(QStringLiteral("-t")))
                names << call.last();
        }
        return names;
    }
};

TEST_F(MainWindowTest, StartsWithFrenchLabelsOnEveryForm)
{
    start();
    EXPECT_TRUE(boxes.shown.isEmpty()) << texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(TerminationRequested());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tovo v4.4"));
    EXPECT_EQ(w->ExtractZips->text(), DisplayText(GetLabel(11)));
    EXPECT_EQ(w->Quitter->text(), GetLabel(18));
    EXPECT_EQ(w->Quitter1->text(), GetLabel(34));
    EXPECT_EQ(w->MenuHisto->title(), GetLabel(275));
    EXPECT_EQ(w->BtActu->toolTip(), DisplayText(GetLabel(23)));
    EXPECT_EQ(w->libfic->text(), QLatin1Char(' ') + GetLabel(219));
    EXPECT_EQ(w->NomFic->dialogTitle(), GetLabel(206));
    EXPECT_EQ(w->FilterComboBox1->count(), GetLabel(205).count(QLatin1Char('|')) / 2 + 1);
    EXPECT_EQ(AppForms().Conf->windowTitle(), GetLabel(48));
    EXPECT_EQ(AppForms().ChoixRep->btOk->text(), QStringLiteral("Ok"));
    EXPECT_EQ(AppForms().EOptions->findChild<QLabel *>(QStringLiteral("lbHistorique"))->text(),
              QLatin1Char(' ') + GetLabel(275) + QLatin1Char(' '));
    EXPECT_FALSE(w->ExtractZips->isEnabled());
    EXPECT_FALSE(w->Crexe->isEnabled());
    // At the design width the archive's heading shows whole, colon included,
    // once the captions from the labels are laid out.
    QApplication::processEvents();
    EXPECT_EQ(w->width(), TPrincipale::MinWidth);
    EXPECT_GE(w->lb_nomzip->width(), w->lb_nomzip->sizeHint().width());
    // The favourites are loaded sorted.
    ASSERT_EQ(AppForms().ChoixRep->favoris->count(), 2);
    EXPECT_EQ(AppForms().ChoixRep->favoris->itemText(0), QStringLiteral("/home"));
    EXPECT_FALSE(AppForms().frmSplash->isVisible());
}

// Nothing runs after the one message, and the exit saves nothing.
TEST_F(MainWindowTest, FatalStartShowsOneMessageAndSavesNothing)
{
    ASSERT_TRUE(LoadLabelFiles(prog.path()).fatalErrors.isEmpty());
    const QByteArray history = "/archives/ancienne.zip\n";
    struct Case {
        const char *name;
        std::function<void()> damage;
        QStringList parts; // of the one message
    };
    const Case cases[] = {
        {"favourites file missing",
         [this] { QFile::remove(prog.filePath(QStringLiteral("favoris.txt"))); },
         {QStringLiteral("favoris.txt"), QStringLiteral("Cr\u00e9ez ce fichier")}},
        {"history file missing",
         [this] { QFile::remove(prog.filePath(QStringLiteral("historique.txt"))); },
         {QStringLiteral("historique.txt")}},
        {"label store damaged, no labels file",
         [this] {
             QFile::remove(prog.filePath(LabelsFileName));
             QByteArray store = readFile(prog.filePath(LabelStoreFileName));
             store[10 * 196 + 5] = static_cast<char>(store[10 * 196 + 5] ^ 0x40);
             writeFile(prog.filePath(LabelStoreFileName), store);
         },
         {QStringLiteral("\r10 / calc:"), QStringLiteral(" /fic:")}},
    };
    const QByteArray labels = readFile(prog.filePath(LabelsFileName));
    const QByteArray store = readFile(prog.filePath(LabelStoreFileName));
    for (const Case &c : cases) {
        ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("favoris.txt")), "/srv\r\n"));
        ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("historique.txt")), history));
        ASSERT_TRUE(writeFile(prog.filePath(LabelsFileName), labels));
        ASSERT_TRUE(writeFile(prog.filePath(LabelStoreFileName), store));
        c.damage();
        boxes.shown.clear();
        start();
        ASSERT_EQ(boxes.shown.size(), 1) << c.name << ": " << texts().join(QLatin1Char('|')).toStdString();
        for (const QString &part : c.parts)
            EXPECT_TRUE(boxes.shown[0].text.contains(part)) << c.name << ": " << boxes.shown[0].text.toStdString();
        EXPECT_TRUE(TerminationRequested()) << c.name;
        EXPECT_FALSE(AppForms().frmSplash->isVisible()) << c.name;
        w->close();
        EXPECT_EQ(boxes.shown.size(), 1) << c.name;
        if (QFileInfo::exists(prog.filePath(QStringLiteral("historique.txt")))) {
            EXPECT_EQ(readFile(prog.filePath(QStringLiteral("historique.txt"))), history) << c.name;
        }
        EXPECT_FALSE(QFileInfo::exists(ini())) << c.name;
        DestroyForms();
        ResetTerminationRequest();
    }
}

TEST_F(MainWindowTest, CommandLinePiecesAreRejoinedUpToFour)
{
    const QString archive = makeArchive(QStringLiteral("mes archives/vieux fichier.zip"));
    const QStringList pieces = archive.split(QLatin1Char(' '));
    ASSERT_EQ(pieces.size(), 3);
    start(pieces);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(testedArchives(), QStringList{archive});
    ASSERT_EQ(calls().size(), 2);
    EXPECT_TRUE(calls()[1].contains(QStringLiteral("-v")));
    EXPECT_EQ(w->CurrentArchive, archive);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tovo v4.4 - ") + archive);
    EXPECT_EQ(w->NomFic->text(), archive);
    EXPECT_TRUE(w->ExtractZips->isEnabled());
    EXPECT_EQ(w->HistoryItems(), QStringList{archive});
    w->close();
    EXPECT_EQ(readFile(prog.filePath(QStringLiteral("historique.txt"))), (archive + QLatin1Char('\n')).toUtf8());
    DestroyForms();

    // Five pieces are never joined: reported, and the window stays usable.
    boxes.shown.clear();
    QFile::remove(fakeLogPath());
    start(makeArchive(QStringLiteral("a b c d e.zip")).split(QLatin1Char(' ')));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(GetLabel(133) + QStringLiteral(" (")));
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(TerminationRequested());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(w->NomFic->text().isEmpty());
}

TEST_F(MainWindowTest, HistoryKeepsFileOrderAndDropsVanishedArchives)
{
    const QString a = makeArchive(QStringLiteral("a.zip"));
    const QString b = makeArchive(QStringLiteral("B.zip"));
    const QString gone = prog.filePath(QStringLiteral("parti.zip"));
    ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("historique.txt")), (b + "\n" + gone + "\n" + a + "\n").toUtf8()));
    start();
    ASSERT_EQ(w->HistoryItems(), (QStringList{b, gone, a}));

    QAction *vanished = w->MenuHisto->actions().at(1);
    boxes.answers.push_back(IdOk);
    w->HistClick(vanished);
    EXPECT_EQ(w->HistoryItems(), (QStringList{b, a}));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Fichier introuvable : retir\u00e9 de l'historique"));
    EXPECT_TRUE(calls().isEmpty());

    w->HistClick(w->MenuHisto->actions().at(1));
    EXPECT_EQ(testedArchives(), QStringList{a});

    w->close();
    EXPECT_EQ(readFile(prog.filePath(QStringLiteral("historique.txt"))), (b + "\n" + a + "\n").toUtf8());
}

TEST_F(MainWindowTest, QuittingAsksFirstAndClosingSavesEverything)
{
    start();
    const QString temp = TempDir();
    ASSERT_TRUE(writeFile(temp + QStringLiteral("apercu.txt"), "x"));
    w->AddToHistory(QStringLiteral("/x/y.zip"));

    boxes.answers.push_back(IdNo);
    w->QuitterClick();
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(246));

    boxes.answers.push_back(IdYes);
    w->Quitter1->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(readFile(prog.filePath(QStringLiteral("historique.txt"))), QByteArray("/x/y.zip\n"));
    EXPECT_EQ(readFile(prog.filePath(QStringLiteral("favoris.txt"))), QByteArray("/home\r\n/srv\r\n"));
    QSettings saved(ini(), QSettings::IniFormat);
    EXPECT_EQ(saved.value(QStringLiteral("tovo/Etat")).toString(), QStringLiteral("2"));
    EXPECT_EQ(saved.value(QStringLiteral("tovo/DesacTaille")).toString(), QStringLiteral("1"));
    EXPECT_EQ(saved.value(QStringLiteral("tovo/RepExtract")).toString(), ProgDir());
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(MainWindowTest, FirstRunDefaults)
{
    start();
    auto *options = AppForms().EOptions;
    EXPECT_FALSE(options->findChild<QCheckBox *>(QStringLiteral("Bulles"))->isChecked());
    EXPECT_TRUE(options->findChild<QCheckBox *>(QStringLiteral("DesacTaille"))->isChecked());
    EXPECT_FALSE(options->findChild<QCheckBox *>(QStringLiteral("DesacTest"))->isChecked());
    EXPECT_TRUE(w->cHTML->isChecked());
    EXPECT_EQ(AppForms().Conf->findChild<QLineEdit *>(QStringLiteral("RepDest"))->text(), ProgDir());
    EXPECT_EQ(AddBackslash(w->DirectoryListBox1->directory()), ProgDir());
    EXPECT_EQ(w->pos(), QPoint(1, 1));
    EXPECT_EQ(w->size(), QSize(TPrincipale::MinWidth, TPrincipale::MinHeight));
    EXPECT_EQ(w->police->currentText(), w->ListeTexte->font().family());
    // Resizing below the design size snaps back.
    w->resize(500, 300);
    QApplication::processEvents();
    EXPECT_EQ(w->size(), QSize(TPrincipale::MinWidth, TPrincipale::MinHeight));
}

TEST_F(MainWindowTest, SavedSettingsAreReadBack)
{
    // A width written in hexadecimal fits the screen; a height taller than the screen does not.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    ASSERT_GT(screen.width(), 0x2EE);
    writeSettings({{QStringLiteral("Width"), QStringLiteral("0x2EE")},
                   {QStringLiteral("Height"), QString::number(screen.height() + 10)},
                   {QStringLiteral("Left"), QStringLiteral("12")},
                   {QStringLiteral("RepCourant"), prog.filePath(QStringLiteral("disparu"))},
                   {QStringLiteral("Taille"), QStringLiteral("14")},
                   {QStringLiteral("DesacTest"), QStringLiteral("1")},
                   {QStringLiteral("HTML"), QStringLiteral("0")},
                   {QStringLiteral("Splitter1"), QStringLiteral("450")}});
    start();
    EXPECT_EQ(w->width(), 750);
    // A wider left side widens the entry list, not the folder browser.
    EXPECT_EQ(w->PanelGauche->width(), 450);
    EXPECT_EQ(w->Panel_rep_et_fics->width(), 162);
    EXPECT_EQ(w->height(), TPrincipale::MinHeight);
    EXPECT_EQ(w->x(), 12);
    EXPECT_EQ(AddBackslash(w->DirectoryListBox1->directory()), ProgDir());
    EXPECT_EQ(w->Taille->value(), 14);
    EXPECT_FALSE(w->cHTML->isChecked());
    EXPECT_TRUE(AppForms().EOptions->findChild<QCheckBox *>(QStringLiteral("DesacTest"))->isChecked());
}

TEST_F(MainWindowTest, DividersKeepTheirPlaceThroughResizes)
{
    writeSettings({{QStringLiteral("Splitter1"), QStringLiteral("400")},
                   {QStringLiteral("Splitter2"), QStringLiteral("180")}});
    start();
    for (const QSize size : {QSize(1000, 800), QSize(TPrincipale::MinWidth, TPrincipale::MinHeight)}) {
        w->resize(size);
        QApplication::processEvents();
        EXPECT_EQ(w->Panel4->height(), 180) << size.width();
        EXPECT_EQ(w->PanelGauche->width(), 400) << size.width();
    }
    w->close();
    QSettings saved(ini(), QSettings::IniFormat);
    EXPECT_EQ(saved.value(QStringLiteral("tovo/Splitter2")).toString(), QStringLiteral("180"));
    EXPECT_EQ(saved.value(QStringLiteral("tovo/Splitter1")).toString(), QStringLiteral("400"));
}

TEST_F(MainWindowTest, MaximisedStateIsRestored)
{
    writeSettings({{QStringLiteral("Etat"), QStringLiteral("3")}});
    start();
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindowTest, HelpOpensAtContextOne)
{
    start();
    w->btAide->click();
    ASSERT_NE(CurrentHelpWindow(), nullptr);
    EXPECT_TRUE(CurrentHelpWindow()->isVisible());
    EXPECT_EQ(CurrentHelpWindow()->currentSource().fragment(), QStringLiteral("contexte-1"));

    // From a modal dialog the help belongs to the dialog, or the dialog would block it.
    TChoixRep *chooser = AppForms().ChoixRep;
    chooser->setWindowModality(Qt::ApplicationModal);
    chooser->show();
    chooser->btAide->click();
    ASSERT_NE(CurrentHelpWindow(), nullptr);
    EXPECT_TRUE(CurrentHelpWindow()->isVisible());
    EXPECT_EQ(CurrentHelpWindow()->currentSource().fragment(), QStringLiteral("contexte-14"));
    EXPECT_EQ(CurrentHelpWindow()->windowHandle()->transientParent(), chooser->windowHandle());
    chooser->hide();
    w->btAide->click();
    EXPECT_EQ(CurrentHelpWindow()->parentWidget(), nullptr);
    w->close();
    QApplication::processEvents();
    EXPECT_TRUE(CurrentHelpWindow() == nullptr || !CurrentHelpWindow()->isVisible());
}

TEST_F(MainWindowTest, EveryControlOfEveryWindowHasAName)
{
    start();
    // The parts Qt builds inside a control ("qt_...", scroll bars, headers) belong to it.
    auto interactive = [](const QWidget *w) {
        if (w->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<const QScrollBar *>(w) ||
            qobject_cast<const QHeaderView *>(w))
            return false;
        for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
            if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p))
                return false;
        }
        return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
               qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
               qobject_cast<const QAbstractSlider *>(w) || qobject_cast<const QAbstractItemView *>(w) ||
               qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w);
    };
    QStringList unnamed;
    int controls = 0;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        widgets.prepend(window);
        for (QWidget *w : widgets) {
            if (!interactive(w))
                continue;
            ++controls;
            // "..." or "=" alone says nothing; a combo box's name is its value,
            // so its label or hint must say what it is for.
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
            const QString name = face ? face->text(QAccessible::Name) : QString();
            const bool said = std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber(); });
            const bool comboNamed = face && qobject_cast<QComboBox *>(w) &&
                                    (!face->relations(QAccessible::Label).isEmpty() ||
                                     !face->text(QAccessible::Description).isEmpty());
            if (!said && !comboNamed)
                unnamed << window->objectName() + QLatin1Char('/') + w->objectName() + QStringLiteral(" (") +
                               QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(')');
        }
    }
    EXPECT_GT(controls, 60);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, LeftoverOldWorkingFolderIsRemovedAtStart)
{
    const QString old = QDir(QDir::tempPath()).filePath(QStringLiteral("itovo32-%1").arg(::getuid()));
    QDir().mkpath(old + QStringLiteral("/sous"));
    ASSERT_TRUE(writeFile(old + QStringLiteral("/sous/lecture-seule.txt"), "x"));
    QFile::setPermissions(old + QStringLiteral("/sous/lecture-seule.txt"), QFileDevice::ReadOwner);
    start();
    EXPECT_FALSE(QFileInfo::exists(old));
}

} // namespace
