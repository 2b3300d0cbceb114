// The options dialog driven through the main window, in a private home.
#include "options/shellintegration.h"
#include "platform/datadir.h"
#include "operations/extractionfixture.h"
#include "support/privatedesktop.h"

#include <QHelpEvent>
#include <QListWidget>
#include <QTest>
#include <QToolTip>

#include <functional>

#include <sys/stat.h>

using namespace tovo;
using namespace Qt::StringLiterals;
using tovo::test::AsOrdinaryUser;
using tovo::test::PrivateDesktop;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

using Act = std::function<void(TEOptions *)>;

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

void clickRow(TEOptions *form, int row)
{
    QListWidget *list = form->ListeMenu;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// Whether a tool tip appears when one is asked for over widget.
bool tooltipAppearsOver(QWidget *widget)
{
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &help);
    const bool shown = QToolTip::isVisible();
    QToolTip::hideText();
    return shown;
}

QPair<int, QString> validate(const QString &file)
{
    return PrivateDesktop::run(u"desktop-file-validate"_s, {file});
}

class OptionsTest : public test::AnsweredFixture {
protected:
    PrivateDesktop desktop;
    TEOptions *options() const { return AppForms().EOptions; }

    // Opens the dialog from the menu; act plays the user while it is shown.
    void openOptions(const Act &act, int result)
    {
        boxes.formAnswers.push_back([act, result](QDialog *dialog) {
            dialog->show();
            act(static_cast<TEOptions *>(dialog));
            dialog->hide();
            return result;
        });
        w->Options1->trigger();
    }
};

TEST_F(OptionsTest, HistoryEditsReachTheMenuOnlyOnOk)
{
    const QString a = makeArchive(u"a.zip"_s);
    const QString c = makeArchive(u"c & co.zip"_s);
    const QString gone = prog.filePath(u"parti.zip"_s);
    const QString alsoGone = prog.filePath(u"disparu/x.zip"_s);
    const Act autoSuppr = [](TEOptions *o) { o->AutoSuppr->click(); };
    struct Case {
        const char *name;
        QStringList history;
        Act act;
        int result;
        std::deque<int> answers;
        QStringList menu;
    };
    const Case cases[] = {
        {"Retirer removes the clicked entry, once", {a, gone, c},
         [](TEOptions *o) {
             EXPECT_FALSE(o->Retirer->isEnabled());
             clickRow(o, 1);
             o->Retirer->click();
             o->Retirer->click();
         },
         QDialog::Accepted, {}, {a, c}},
        {"Cancel leaves the menu as it was", {a, gone, c},
         [](TEOptions *o) {
             clickRow(o, 0);
             o->Retirer->click();
         },
         QDialog::Rejected, {}, {a, gone, c}},
        {"Auto, Yes: entries naming no file go", {gone, a, alsoGone, c}, autoSuppr, QDialog::Accepted, {IdYes}, {a, c}},
        {"Auto, No: nothing goes", {gone, a}, autoSuppr, QDialog::Accepted, {IdNo}, {gone, a}},
        {"Auto with every file gone leaves only the separator", {gone, alsoGone}, autoSuppr, QDialog::Accepted,
         {IdYes}, {}},
    };
    start();
    for (const Case &row : cases) {
        w->ReplaceHistory(row.history);
        boxes.answers = row.answers;
        boxes.shown.clear();
        QStringList listed;
        openOptions(
            [&](TEOptions *o) {
                listed = itemTexts(o->ListeMenu);
                row.act(o);
            },
            row.result);
        EXPECT_EQ(listed, row.history) << row.name;
        EXPECT_EQ(w->HistoryItems(), row.menu) << row.name;
        EXPECT_EQ(w->MenuHisto->actions().last(), w->Hist) << row.name;
        EXPECT_EQ(texts(), row.answers.empty() ? QStringList() : QStringList{GetLabel(287)}) << row.name;
        // The next showing lists the menu again.
        openOptions([&](TEOptions *o) { listed = itemTexts(o->ListeMenu); }, QDialog::Rejected);
        EXPECT_EQ(listed, row.menu) << row.name;
    }
}

TEST_F(OptionsTest, CancelRestoresTheSwitchesAndOkSetsTheToolTips)
{
    start();
    TEOptions *o = options();
    const auto states = [o] {
        return QList<bool>{o->Bulles->isChecked(), o->DesacTaille->isChecked(), o->DesacTest->isChecked()};
    };
    const Act flipAll = [](TEOptions *form) {
        form->Bulles->click();
        form->DesacTaille->click();
        form->DesacTest->click();
    };
    ASSERT_FALSE(w->BtActu->toolTip().isEmpty());
    EXPECT_FALSE(tooltipAppearsOver(w->BtActu));
    openOptions(flipAll, QDialog::Rejected);
    EXPECT_EQ(states(), (QList<bool>{false, true, false}));
    EXPECT_FALSE(tooltipAppearsOver(w->BtActu));

    openOptions(flipAll, QDialog::Accepted);
    EXPECT_EQ(states(), (QList<bool>{true, false, true}));
    EXPECT_TRUE(tooltipAppearsOver(w->BtActu));
    EXPECT_TRUE(tooltipAppearsOver(o->CreerRacc)) << "hints of every form";

    openOptions([](TEOptions *form) { form->Bulles->click(); }, QDialog::Accepted);
    EXPECT_FALSE(tooltipAppearsOver(w->BtActu));
}

TEST_F(OptionsTest, DesktopButtonsWriteEntriesTheDesktopAccepts)
{
    const QString mimeapps = desktop.configHome() + u"/mimeapps.list"_s;
    ASSERT_TRUE(writeFile(mimeapps, "[Default Applications]\ntext/plain=bloc.desktop\napplication/zip=autre.desktop\n\n"
                                    "[Added Associations]\napplication/zip=autre.desktop;\n\n[Perso]\ncl\xc3\xa9=1\n"));
    // The desktop folder as xdg-user-dirs names it, not made yet.
    ASSERT_TRUE(writeFile(desktop.configHome() + u"/user-dirs.dirs"_s, "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"));
    const QString launcher = desktop.home() + u"/Bureau/Tovo v4.4.desktop"_s;
    const QByteArray program = QCoreApplication::applicationFilePath().toUtf8();
    start();

    boxes.answers = {IdOk, IdNo, IdYes};
    options()->AssoZip->click();
    options()->CreerRacc->click();
    EXPECT_FALSE(QFileInfo::exists(launcher)) << "answered No";
    EXPECT_TRUE(options()->CreerRacc->isEnabled());
    options()->CreerRacc->click();
    EXPECT_EQ(texts(), (QStringList{GetLabel(255), GetLabel(254), GetLabel(254)}));
    EXPECT_FALSE(options()->AssoZip->isEnabled());
    EXPECT_FALSE(options()->CreerRacc->isEnabled());

    EXPECT_EQ(PrivateDesktop::run(u"xdg-mime"_s, {u"query"_s, u"default"_s,
                                                               u"application/zip"_s}),
              qMakePair(0, AssociationEntryName));
    EXPECT_TRUE(readFile(mimeapps).endsWith("application/zip=tovo.desktop;autre.desktop;\n\n[Perso]\ncl\xc3\xa9=1\n"));
    const QString entry = desktop.applications() + u"/tovo.desktop"_s;
    EXPECT_EQ(validate(entry), qMakePair(0, QString()));
    EXPECT_TRUE(readFile(entry).contains("\nExec=" + program + " %f\n"));

    EXPECT_EQ(validate(launcher), qMakePair(0, QString()));
    EXPECT_TRUE(QFileInfo(launcher).isExecutable());
    const QByteArray written = readFile(launcher);
    for (const QByteArray &line : {QByteArray("Name=Tovo v4.4"), "Exec=" + program, "Path=" + ProgDir().toUtf8(),
                                   "Icon=" + ProgramIconFile().toUtf8()})
        EXPECT_TRUE(written.contains('\n' + line + '\n')) << line.constData();
}

// A folder the user may not write: the system's error, errno 13, and the
// button stays for another try; what was written before stays.
TEST_F(OptionsTest, UnwritableFoldersReportTheSystemError)
{
    const QString applications = desktop.applications();
    struct Case {
        const char *name;
        QString lockedFolder;
        bool association; // else the desktop launcher
        bool entryWritten;
    };
    const Case cases[] = {
        {"applications folder", applications, true, false},
        {"configuration folder, after the desktop entry", desktop.configHome(), true, true},
        {"desktop folder", desktop.home() + u"/Desktop"_s, false, false},
    };
    start();
    const QString expected = u"Erreur syst\u00e8me :\r\n13 - "_s + QString::fromLocal8Bit(strerror(EACCES));
    for (const Case &c : cases) {
        QDir(applications).removeRecursively();
        QDir().mkpath(applications);
        QDir().mkpath(c.lockedFolder);
        ::chmod(QFile::encodeName(applications).constData(), 0777);
        ::chmod(QFile::encodeName(c.lockedFolder).constData(), 0555);
        boxes.shown.clear();
        boxes.answers = c.association ? std::deque<int>{IdOk} : std::deque<int>{IdYes, IdOk};
        QPushButton *button = c.association ? options()->AssoZip : options()->CreerRacc;
        AsOrdinaryUser([&] { button->click(); });
        ::chmod(QFile::encodeName(c.lockedFolder).constData(), 0755);

        ASSERT_FALSE(boxes.shown.isEmpty()) << c.name;
        EXPECT_EQ(boxes.shown.last().text, expected) << c.name;
        EXPECT_EQ(boxes.shown.last().icon, MessageIcon::Error) << c.name;
        EXPECT_TRUE(button->isEnabled()) << c.name;
        EXPECT_EQ(QFileInfo::exists(applications + u"/tovo.desktop"_s), c.entryWritten) << c.name;
        EXPECT_FALSE(QFileInfo::exists(desktop.configHome() + u"/mimeapps.list"_s)) << c.name;
    }
}

// Installed, the program folder stays untouched: the data files live in the
// user's data folder, seeded from the program folder's copies.
TEST_F(OptionsTest, InstalledProgramKeepsItsFilesInTheDataFolder)
{
    ASSERT_TRUE(writeFile(prog.filePath(platform::InstalledMarkerName), "installé"));
    ASSERT_TRUE(writeFile(prog.filePath(u"historique.txt"_s), "/livré.zip\n"));
    const QString data = desktop.dataHome() + u"/tovo/"_s;
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(writeFile(data + u"favoris.txt"_s, "/mes/favoris\n"));
    const QStringList shipped = QDir(prog.path()).entryList(QDir::Files);
    start();
    EXPECT_EQ(DataDir(), data);
    EXPECT_EQ(w->HistoryItems(), QStringList{u"/livré.zip"_s});
    EXPECT_EQ(AppForms().ChoixRep->favoris->itemText(0), u"/mes/favoris"_s);
    EXPECT_EQ(AppForms().Conf->RepDest->text(), desktop.home() + u'/');
    w->AddToHistory(u"/neuve.zip"_s);
    w->close();
    EXPECT_EQ(readFile(data + u"historique.txt"_s), QByteArray("/neuve.zip\n/livré.zip\n"));
    EXPECT_TRUE(QFileInfo::exists(data + LabelStoreFileName));
    EXPECT_EQ(QDir(prog.path()).entryList(QDir::Files), shipped) << "nothing written in the program folder";
    EXPECT_EQ(readFile(prog.filePath(u"historique.txt"_s)), QByteArray("/livré.zip\n"));
}

} // namespace
