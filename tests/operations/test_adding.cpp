// Adding files from the main window: the selection dialog's search and
// marks, the add handler's questions and the vector it sends (with the fake
// modules), deleting the added files, and one archive made through the real
// modules and read back by other tools.
#include "browse/tentrymodel.h"
#include "engine/qtprint.h"
#include "operations/teselfics.h"
#include "shell/labeltable.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"
#include "support/mainwindowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDirIterator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include <functional>

using namespace tovo;

namespace {

class AddingTest : public test::MainWindowFixture {
protected:
    // source: a.txt b.doc sub/c.txt sub/deep/d.txt, each of five bytes.
    QString source;
    TEselfics *d = nullptr;
    // The found items when the dialog came up.
    QStringList shownItems;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        source = prog.filePath(QStringLiteral("source"));
        ASSERT_TRUE(QDir().mkpath(source + QStringLiteral("/sub/deep")));
        for (const char *f : {"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"})
            ASSERT_TRUE(test::writeFile(source + QLatin1Char('/') + QString::fromUtf8(f), "12345"));
        QDir().mkpath(prog.filePath(QStringLiteral("arch")));
    }

    void startAdding()
    {
        start();
        d = AppForms().Eselfics;
        d->Repsrc->setText(source);
    }

    static QStringList items(const TEselfics *dialog)
    {
        QStringList names;
        for (int row = 0; row < dialog->FicsModel->count(); ++row)
            names << dialog->FicsModel->fullName(row);
        return names;
    }

    void checkItems(const QStringList &wanted)
    {
        std::vector<int> rows;
        for (int row = 0; row < d->FicsModel->count(); ++row) {
            if (wanted.contains(d->FicsModel->fullName(row)))
                rows.push_back(row);
        }
        d->FicsModel->setChecked(rows, true);
        d->UpdateCount();
    }

    // Answers the selection dialog: act is what the user does in it.
    void pick(std::function<void()> act, int result = QDialog::Accepted)
    {
        boxes.formAnswers.push_back([this, act, result](QDialog *dialog) {
            EXPECT_EQ(dialog, d);
            shownItems = items(d);
            if (act)
                act();
            return result;
        });
    }

    void add(const QString &archive)
    {
        w->NomFic->setText(archive);
        w->AjoutClick();
    }

    // The vector of the last add; empty when none ran.
    QStringList lastAdd() const
    {
        const QList<QStringList> all = calls();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if (it->contains(QStringLiteral("-W")))
                return *it;
        }
        return {};
    }

    static QStringList addVector(const QString &archive, const QStringList &files, int level, bool recurse,
                                 bool paths)
    {
        QStringList v{QString(), QStringLiteral("-%1").arg(level)};
        if (recurse)
            v << QStringLiteral("-r");
        if (!paths)
            v << QStringLiteral("-j");
        v << QStringLiteral("-n") << QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO") << QStringLiteral("-t")
          << QStringLiteral("01011980") << archive << QStringLiteral("-W") << files;
        return v;
    }

    static QByteArray listing(const QStringList &names)
    {
        QByteArray text = "when -v\n";
        for (const QString &name : names)
            text += "80 name=" + QUrl::toPercentEncoding(name, "/") + " size=5 csize=5\n";
        return text;
    }
};

TEST_F(AddingTest, DialogListsWhatTheSearchFinds)
{
    startAdding();
    struct Case {
        const char *name;
        std::function<void()> act;
        QStringList items;
        QString repsrc = {}; // empty: unchanged
    };
    const Case cases[] = {
        {"each opening searches the folder alone, Lister unchecked",
         [&] {
             d->Lister->setChecked(true);
             d->ListerClick();
             d->FormActivate();
             EXPECT_FALSE(d->Lister->isChecked());
             EXPECT_FALSE(d->UtilSRep->isEnabled());
         },
         {"a.txt", "b.doc"}},
        {"sub-folders: paths below the search folder",
         [&] {
             d->Lister->setChecked(true);
             d->ListerClick();
             EXPECT_TRUE(d->UtilSRep->isEnabled() && d->UtilSRep->isChecked());
             d->Button1->click();
         },
         {"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"}, source + QLatin1Char('/')},
        {"Enter in Masque searches with its masks",
         [&] {
             d->Masque->setText(QStringLiteral("*.doc; *.TXT"));
             QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QCoreApplication::sendEvent(d->Masque, &enter);
         },
         {"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"}},
        {"a filter entry takes its masks and empties the list",
         [&] {
             d->Filtre->setCurrentIndex(5);
             d->FiltreChange();
             EXPECT_EQ(d->Masque->text(), QStringLiteral("*.txt;*.ini;*.diz;*.me;*.moi"));
         },
         {}},
        {"the filter's masks at the next search",
         [&] { d->Button1Click(); },
         {"a.txt", "sub/c.txt", "sub/deep/d.txt"}},
        {"the same folder chosen again keeps the list",
         [&] { d->RepsrcAfterDialog(d->Repsrc->text()); },
         {"a.txt", "sub/c.txt", "sub/deep/d.txt"}},
        {"another folder empties it",
         [&] { d->RepsrcAfterDialog(source + QStringLiteral("/sub")); },
         {}, source + QStringLiteral("/sub")},
        {"= goes to the archive's folder",
         [&] {
             d->ArchiveName = prog.filePath(QStringLiteral("arch/x.zip"));
             d->Button1Click();
             d->Button2Click();
         },
         {}, prog.filePath(QStringLiteral("arch/"))},
    };
    for (const Case &c : cases) {
        const QString before = d->Repsrc->text();
        c.act();
        EXPECT_EQ(items(d), c.items) << c.name;
        EXPECT_EQ(d->Repsrc->text(), c.repsrc.isEmpty() ? before : c.repsrc) << c.name;
        EXPECT_EQ(d->FicsModel->checkedCount(), 0) << c.name;
        EXPECT_EQ(d->lb_compte->text(), QStringLiteral("0 ") + GetLabel(204)) << c.name;
        EXPECT_TRUE(d->isEnabled()) << c.name;
    }
}

TEST_F(AddingTest, MarksFollowEtatAndTheCountEnablesOk)
{
    startAdding();
    d->Lister->setChecked(true);
    d->ListerClick();
    d->Button1Click();
    ASSERT_EQ(d->FicsModel->count(), 4);
    auto select = [&](std::vector<int> rows) {
        d->Fics->clearSelection();
        for (int row : rows)
            d->Fics->selectionModel()->select(d->FicsModel->index(row), QItemSelectionModel::Select);
    };
    struct Case {
        const char *name;
        std::function<void()> act;
        QStringList checked;
    };
    const Case cases[] = {
        {"Tous fichiers with Etat checked", [&] { d->TousFics->click(); },
         {"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"}},
        {"Sélection with Etat unchecked",
         [&] {
             d->Etat->setChecked(false);
             select({1, 3});
             d->Selection->click();
         },
         {"a.txt", "sub/c.txt"}},
        {"a double click inverts the current item",
         [&] {
             d->Fics->setCurrentIndex(d->FicsModel->index(2));
             d->FicsDblClick();
         },
         {"a.txt"}},
        {"a check mark clicked in the list", [&] {
             d->FicsModel->setData(d->FicsModel->index(3), Qt::Checked, Qt::CheckStateRole);
         },
         {"a.txt", "sub/deep/d.txt"}},
        {"Tous fichiers with Etat unchecked", [&] { d->TousFics->click(); }, {}},
    };
    for (const Case &c : cases) {
        c.act();
        EXPECT_EQ(d->checkedItems(), c.checked) << c.name;
        EXPECT_EQ(d->lb_compte->text(), QString::number(c.checked.size()) + QLatin1Char(' ') + GetLabel(204))
            << c.name;
        EXPECT_EQ(d->btOk->isEnabled(), !c.checked.isEmpty()) << c.name;
    }
}

TEST_F(AddingTest, EscapeStopsASearch)
{
    startAdding();
    d->show();
    d->Lister->setChecked(true);
    d->ListerClick();
    QCoreApplication::postEvent(d->Fics, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    d->Button1Click();
    EXPECT_TRUE(items(d).isEmpty());
    EXPECT_TRUE(d->isVisible() && d->isEnabled());
    d->Button1Click();
    EXPECT_EQ(items(d).size(), 4);
    d->hide();
}

TEST_F(AddingTest, DialogChoicesMakeTheAddVector)
{
    struct Case {
        const char *name;
        bool existing; // an archive other than the open one
        std::function<void()> act;
        QStringList files;
        int level;
        bool subFolders;
    };
    const Case cases[] = {
        {"new archive, two files", false, [&] { checkItems({"a.txt", "b.doc"}); }, {"a.txt", "b.doc"}, 6, false},
        {"existing archive, compression none", true,
         [&] {
             checkItems({"b.doc"});
             d->LbAucuneClick();
         },
         {"b.doc"}, 0, false},
        {"sub-folders stored, compression maximum", false,
         [&] {
             d->Lister->click();
             d->Button1Click();
             checkItems({"a.txt", "sub/deep/d.txt"});
             d->lbMaximumClick();
         },
         {"a.txt", "sub/deep/d.txt"}, 9, true},
        {"sub-folders searched, stored flat", false,
         [&] {
             d->Lister->click();
             d->Button1Click();
             d->UtilSRep->setChecked(false);
             checkItems({"sub/c.txt"});
         },
         {"sub/c.txt"}, 6, false},
    };
    startAdding();
    int n = 0;
    for (const Case &c : cases) {
        d->NCompress->setValue(6);
        const QString archive = prog.filePath(QStringLiteral("arch/archive%1.zip").arg(++n));
        if (c.existing)
            makeArchive(QStringLiteral("arch/archive%1.zip").arg(n));
        script(listing({QStringLiteral("ancien.txt")}));
        QFile::remove(fakeLogPath());
        boxes.shown.clear();
        boxes.answers = {IdYes};
        QString openAtShowing;
        pick([&] {
            openAtShowing = w->CurrentArchive;
            c.act();
        });
        add(archive);

        EXPECT_EQ(shownItems, (QStringList{"a.txt", "b.doc"})) << c.name;
        // An existing archive is listed before the files are picked.
        EXPECT_EQ(openAtShowing == archive, c.existing) << c.name;
        ASSERT_EQ(boxes.shown.size(), 1) << c.name;
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("[ ") + archive + QStringLiteral(" ]\r") +
                                           GetLabel(c.existing ? 156 : 222))
            << c.name;
        EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo) << c.name;
        EXPECT_EQ(lastAdd(), addVector(archive, c.files, c.level, c.subFolders, c.subFolders)) << c.name;
        // Listed again after the add.
        EXPECT_EQ(w->CurrentArchive, archive) << c.name;
        EXPECT_EQ(w->Entries->count(), 1) << c.name;
        // The items were given relative to the search folder, made current.
        EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(d->Repsrc->text()).canonicalFilePath())
            << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(AddingTest, RefusalsEndTheAddBeforeAnythingIsSent)
{
    struct Case {
        const char *name;
        QString archive;
        bool existing;
        QList<int> answers;
        bool dialog;        // the selection dialog comes up (and is accepted with nothing checked)
        QList<int> labels;  // the boxes shown, by the label they end with
        bool nameKept;
    };
    const QString fresh = prog.filePath(QStringLiteral("arch/neuve.zip"));
    const Case cases[] = {
        {"creating declined", fresh, false, {IdNo}, false, {222}, false},
        // Refused to everyone, root included (the tests may run as root,
        // whom a read-only folder does not stop).
        {"a name the system refuses", prog.filePath(QStringLiteral("arch/") + QString(300, QLatin1Char('n')) +
                                                    QStringLiteral(".zip")),
         false, {IdYes, IdOk}, false, {222, 157}, false},
        {"opening another archive declined", prog.filePath(QStringLiteral("arch/autre.zip")), true, {IdNo}, false,
         {156}, false},
        {"a self-extracting program", prog.filePath(QStringLiteral("arch/prog.exe")), false, {IdOk}, false, {123},
         true},
        {"nothing checked", fresh, false, {IdYes, IdOk}, true, {222, 158}, true},
    };
    startAdding();
    for (const Case &c : cases) {
        if (c.existing)
            makeArchive(QDir(prog.path()).relativeFilePath(c.archive));
        QFile::remove(fakeLogPath());
        boxes.shown.clear();
        boxes.dialogs.clear();
        boxes.answers = {c.answers.begin(), c.answers.end()};
        if (c.dialog)
            pick({});
        add(c.archive);
        EXPECT_EQ(boxes.dialogs.contains(QStringLiteral("Eselfics")), c.dialog) << c.name;
        ASSERT_EQ(boxes.shown.size(), c.labels.size()) << c.name;
        for (int i = 0; i < c.labels.size(); ++i)
            EXPECT_TRUE(boxes.shown[i].text.endsWith(GetLabel(c.labels[i]))) << c.name << " box " << i;
        EXPECT_TRUE(lastAdd().isEmpty()) << c.name;
        EXPECT_EQ(w->NomFic->text().isEmpty(), !c.nameKept) << c.name;
        EXPECT_EQ(QFileInfo::exists(c.archive), c.existing) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(AddingTest, AddedFilesAreDeletedOnlyWhenSafelyStored)
{
    struct Case {
        const char *name;
        int answer;          // to label 160
        QByteArray testCode; // what the quiet test after the add returns
        QStringList left;    // files still on disk afterwards
        int lastLabel;
    };
    const QStringList all{"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"};
    const Case cases[] = {
        {"Yes: what changed during the add stays", IdYes, "0", {"b.doc", "sub/c.txt", "sub/deep/d.txt"}, 161},
        {"No: everything stays", IdNo, "0", all, 160},
        {"the archive tests with a warning: everything stays", IdYes, "10", all, 161},
    };
    startAdding();
    for (const Case &c : cases) {
        for (const QString &f : all)
            ASSERT_TRUE(test::writeFile(source + QLatin1Char('/') + f, "12345"));
        const QString archive = prog.filePath(QStringLiteral("arch/deplace.zip"));
        QFile::remove(archive);
        // The module stores a.txt and b.doc; b.doc grows while it works.
        script("when -W\n"
               "1010 name=a.txt size=5\n"
               "append path=" + QUrl::toPercentEncoding(source + QStringLiteral("/b.doc"), "/") + " text=plus\n"
               "1010 name=b.doc size=5\n"
               "when -t\nreturn " + c.testCode + "\nwhen -W\nreturn 0\n" +
               listing({QStringLiteral("a.txt"), QStringLiteral("b.doc")}));
        boxes.shown.clear();
        boxes.answers = {IdYes, c.answer, IdOk};
        pick([&] {
            checkItems({"a.txt", "b.doc"});
            d->SupprimeFichiers->setChecked(true);
        });
        add(archive);

        QStringList left;
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            left << QDir(source).relativeFilePath(it.next());
        left.sort();
        EXPECT_EQ(left, c.left) << c.name;
        ASSERT_FALSE(boxes.shown.isEmpty()) << c.name;
        EXPECT_TRUE(boxes.shown.last().text.endsWith(GetLabel(c.lastLabel))) << c.name;
        if (c.lastLabel == 161) {
            const QString kept = c.left.contains(QStringLiteral("a.txt")) ? QStringLiteral("a.txt\rb.doc\r")
                                                                         : QStringLiteral("b.doc\r");
            EXPECT_EQ(boxes.shown.last().text, kept + GetLabel(161)) << c.name;
        }
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

// Runs a tool in a directory; its standard output, or nothing when it failed.
std::optional<QByteArray> run(const QString &program, const QStringList &arguments, const QString &directory)
{
    QProcess p;
    p.setWorkingDirectory(directory);
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

// Every file under root with its bytes.
QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(root).relativeFilePath(path), test::readFile(path));
    }
    return tree;
}

TEST_F(AddingTest, RealModulesMakeAnArchiveOtherToolsRead)
{
    // Sub-folders, a dot-file, spaces, accents, an empty file and one of
    // 300 kB that does not compress.
    const QString tree = prog.filePath(QStringLiteral("arbre"));
    QByteArray noise(300 * 1024, '\0');
    quint32 x = 12345;
    for (char &c : noise) {
        x = x * 1103515245 + 12345;
        c = char(x >> 24);
    }
    const std::pair<const char *, QByteArray> files[] = {
        {"lisez moi.txt", "Bonjour\n"},
        {"docs/été/rapport final.doc", QByteArray(5000, 'r')},
        {"docs/.config", "cache=1\n"},
        {"docs/vide.txt", ""},
        {"données/bruit.bin", noise},
    };
    for (const auto &[name, bytes] : files) {
        const QString path = tree + QLatin1Char('/') + QString::fromUtf8(name);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(test::writeFile(path, bytes));
    }
    const QMap<QString, QByteArray> original = treeOf(tree);
    ASSERT_EQ(original.size(), 5);

    startAdding();
    w->XZip->SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    d->Repsrc->setText(tree);
    const QString archive = prog.filePath(QStringLiteral("arch/réel.zip"));
    boxes.answers = {IdYes, IdYes, IdOk};
    pick([&] {
        d->Lister->click();
        d->Button1Click();
        d->TousFics->click();
        d->lbMaximumClick();
        d->SupprimeFichiers->setChecked(true);
    });
    add(archive);

    // Listed again, every source deleted after the checks.
    EXPECT_EQ(w->Entries->count(), 5);
    EXPECT_TRUE(treeOf(tree).isEmpty());
    ASSERT_EQ(boxes.shown.size(), 3);
    EXPECT_EQ(boxes.shown[2].text, GetLabel(162));

    const QString work = prog.filePath(QStringLiteral("arch"));
    EXPECT_TRUE(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}, work).has_value());
    EXPECT_TRUE(run(QStringLiteral("7z"), {QStringLiteral("t"), archive}, work).has_value());
    // Python reads the names by the archive's own rules, whatever the locale.
    const QString out = prog.filePath(QStringLiteral("extrait"));
    const std::optional<QByteArray> names =
        run(QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import sys, zipfile\n"
                            "z = zipfile.ZipFile(sys.argv[1])\n"
                            "assert z.testzip() is None\n"
                            "z.extractall(sys.argv[2])\n"
                            "print('\\n'.join(sorted(z.namelist())))\n"),
             archive, out},
            work);
    ASSERT_TRUE(names);
    EXPECT_EQ(QString::fromUtf8(*names).trimmed().split(QLatin1Char('\n')), original.keys());
    EXPECT_EQ(treeOf(out), original);
}

} // namespace
