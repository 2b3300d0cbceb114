// Adding files from the main window, with the fake modules and once with the real ones.
#include "operations/teselfics.h"
#include "extractionfixture.h"

#include <QKeyEvent>
#include <QSlider>

#include <functional>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

class AddingTest : public test::AnsweredFixture {
protected:
    // source: a.txt b.doc sub/c.txt sub/deep/d.txt, five bytes each.
    QString source;
    TEselfics *d = nullptr;
    QStringList shownItems; // the found items when the dialog came up

    void SetUp() override
    {
        AnsweredFixture::SetUp();
        source = prog.filePath(u"source"_s);
        ASSERT_TRUE(QDir().mkpath(source + u"/sub/deep"_s));
        ASSERT_TRUE(QDir().mkpath(prog.filePath(u"arch"_s)));
        writeSources();
        start();
        d = AppForms().Eselfics;
        d->Repsrc->setText(source);
    }

    void writeSources()
    {
        for (const char *f : {"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"})
            ASSERT_TRUE(test::writeFile(source + u'/' + QString::fromUtf8(f), "12345"));
    }

    QStringList items() const
    {
        QStringList names;
        for (int row = 0; row < d->FicsModel->count(); ++row)
            names << d->FicsModel->fullName(row);
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

    // Answers the selection dialog with OK after act (what the user does in it).
    void pick(std::function<void()> act)
    {
        boxes.formAnswers.push_back([this, act](QDialog *dialog) {
            EXPECT_EQ(dialog, d);
            shownItems = items();
            if (act)
                act();
            return int(QDialog::Accepted);
        });
    }

    void add(const QString &archive)
    {
        QFile::remove(fakeLogPath());
        boxes.shown.clear();
        w->NomFic->setText(archive);
        w->AjoutClick();
    }

    // The vector of the last add; empty when none ran.
    QStringList lastAdd() const
    {
        for (const QStringList &call : calls()) {
            if (call.contains(u"-W"_s))
                return call;
        }
        return {};
    }

    static QByteArray listing(const QStringList &names)
    {
        QByteArray text = "when -v\n";
        for (const QString &name : names)
            text += "80 name=" + QUrl::toPercentEncoding(name, "/") + " size=5 csize=5\n";
        return text;
    }
};

TEST_F(AddingTest, DialogSearchesAndMarks)
{
    const QStringList all{"a.txt", "b.doc", "sub/c.txt", "sub/deep/d.txt"};
    struct Step {
        const char *name;
        std::function<void()> act;
        QStringList items;
        QStringList checked;
    };
    const Step steps[] = {
        {"each opening searches the folder alone",
         [&] {
             d->Lister->setChecked(true);
             d->FormActivate();
             EXPECT_FALSE(d->Lister->isChecked() || d->UtilSRep->isEnabled());
         },
         {"a.txt", "b.doc"}, {}},
        {"sub-folders: paths below the search folder",
         [&] {
             d->Lister->click();
             EXPECT_TRUE(d->UtilSRep->isEnabled() && d->UtilSRep->isChecked());
             d->Button1->click();
             EXPECT_EQ(d->Repsrc->text(), source + u'/');
         },
         all, {}},
        {"Tous fichiers with Etat checked", [&] { d->TousFics->click(); }, all, all},
        {"Sélection with Etat unchecked",
         [&] {
             d->Etat->setChecked(false);
             for (int row : {1, 3})
                 d->Fics->selectionModel()->select(d->FicsModel->index(row), QItemSelectionModel::Select);
             d->Selection->click();
         },
         all, {"a.txt", "sub/c.txt"}},
        {"a double click inverts the current item",
         [&] {
             d->Fics->setCurrentIndex(d->FicsModel->index(2));
             d->FicsDblClick();
         },
         all, {"a.txt"}},
        {"Enter in Masque searches with its masks",
         [&] {
             d->Masque->setText(u"*.doc; *.TXT;*.d?c"_s);
             QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QCoreApplication::sendEvent(d->Masque, &enter);
         },
         all, {}},
        {"a filter entry takes its masks and empties the list",
         [&] {
             d->Filtre->setCurrentIndex(5);
             d->FiltreChange();
             EXPECT_EQ(d->Masque->text(), u"*.txt;*.ini;*.diz;*.me;*.moi"_s);
         },
         {}, {}},
        {"Escape stops a search",
         [&] {
             d->show();
             QCoreApplication::postEvent(d->Fics, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
             d->Button1Click();
             EXPECT_TRUE(d->isVisible());
             d->hide();
         },
         {}, {}},
        {"a folder that is not there: 265 and no search",
         [&] {
             boxes.shown.clear();
             boxes.answers = {IdOk};
             d->Repsrc->setText(source + u"/absent"_s);
             d->Button1Click();
             ASSERT_EQ(boxes.shown.size(), 1);
             EXPECT_TRUE(boxes.shown[0].text.startsWith(GetLabel(265)));
         },
         {}, {}},
        {"= goes to the archive's folder",
         [&] {
             d->ArchiveName = prog.filePath(u"arch/x.zip"_s);
             d->Button2Click();
             EXPECT_EQ(d->Repsrc->text(), prog.filePath(u"arch/"_s));
         },
         {}, {}},
    };
    for (const Step &s : steps) {
        s.act();
        EXPECT_EQ(items(), s.items) << s.name;
        EXPECT_EQ(d->checkedItems(), s.checked) << s.name;
        EXPECT_EQ(d->lb_compte->text(), QString::number(s.checked.size()) + u' ' + GetLabel(204)) << s.name;
        EXPECT_EQ(d->btOk->isEnabled(), !s.checked.isEmpty()) << s.name;
        EXPECT_TRUE(d->isEnabled()) << s.name;
    }
}

TEST_F(AddingTest, DialogChoicesMakeTheAddVector)
{
    struct Case {
        const char *name;
        bool existing; // an archive other than the open one
        std::function<void()> act;
        QStringList switches;
        QStringList files;
    };
    const Case cases[] = {
        {"new archive, two files", false, [&] { checkItems({"a.txt", "b.doc"}); }, {"-6", "-j"}, {"a.txt", "b.doc"}},
        {"existing archive, no compression", true,
         [&] {
             checkItems({"b.doc"});
             d->LbAucuneClick();
         },
         {"-0", "-j"}, {"b.doc"}},
        {"sub-folders stored, maximum compression", false,
         [&] {
             d->Lister->click();
             d->Button1Click();
             checkItems({"a.txt", "sub/deep/d.txt"});
             d->lbMaximumClick();
         },
         {"-9", "-r"}, {"a.txt", "sub/deep/d.txt"}},
        {"sub-folders searched, stored flat", false,
         [&] {
             d->Lister->click();
             d->Button1Click();
             d->UtilSRep->setChecked(false);
             checkItems({"sub/c.txt"});
         },
         {"-6", "-j"}, {"sub/c.txt"}},
    };
    int n = 0;
    for (const Case &c : cases) {
        d->NCompress->setValue(6);
        const QString relative = u"arch/archive%1.zip"_s.arg(++n);
        const QString archive = prog.filePath(relative);
        if (c.existing)
            makeArchive(relative);
        script(listing({u"ancien.txt"_s}));
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
        EXPECT_EQ(boxes.shown[0].text, u"[ %1 ]\r"_s.arg(archive) + GetLabel(c.existing ? 156 : 222)) << c.name;
        EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo) << c.name;
        const QStringList expected = QStringList{QString()} + c.switches +
                                     QStringList{"-n", ".ZIP;.LZH;.ARC;.ARJ;.ZOO", "-t", "01011980", archive, "-W"} +
                                     c.files;
        EXPECT_EQ(lastAdd(), expected) << c.name;
        EXPECT_EQ(w->CurrentArchive, archive) << c.name;
        EXPECT_EQ(w->Entries->count(), 1) << c.name;
        // The items are given relative to the search folder, made current.
        EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(d->Repsrc->text()).canonicalFilePath())
            << c.name;
    }
}

TEST_F(AddingTest, RefusalsEndTheAddBeforeAnythingIsSent)
{
    struct Case {
        const char *name;
        QString archive;
        bool existing;
        QList<int> answers;
        bool dialog;       // the selection dialog comes up, to be accepted with nothing checked
        QList<int> labels; // the boxes shown, by the label they end with
        bool nameKept;
    };
    const QString fresh = prog.filePath(u"arch/neuve.zip"_s);
    const Case cases[] = {
        {"creating declined", fresh, false, {IdNo}, false, {222}, false},
        // Refused to everyone, root included (whom a read-only folder does not stop).
        {"a name the system refuses", prog.filePath(u"arch/%1.zip"_s.arg(QString(300, u'n'))),
         false, {IdYes, IdOk}, false, {222, 157}, false},
        {"opening another archive declined", prog.filePath(u"arch/autre.zip"_s), true, {IdNo}, false, {156}, false},
        {"a self-extracting program", prog.filePath(u"arch/prog.exe"_s), false, {IdOk}, false, {123},
         true},
        {"nothing checked", fresh, false, {IdYes, IdOk}, true, {222, 158}, true},
    };
    for (const Case &c : cases) {
        if (c.existing)
            makeArchive(QDir(prog.path()).relativeFilePath(c.archive));
        boxes.dialogs.clear();
        boxes.answers = {c.answers.begin(), c.answers.end()};
        if (c.dialog)
            pick({});
        add(c.archive);
        EXPECT_EQ(boxes.dialogs.contains(u"Eselfics"_s), c.dialog) << c.name;
        ASSERT_EQ(boxes.shown.size(), c.labels.size()) << c.name;
        for (int i = 0; i < c.labels.size(); ++i)
            EXPECT_TRUE(boxes.shown[i].text.endsWith(GetLabel(c.labels[i]))) << c.name << " box " << i;
        EXPECT_TRUE(lastAdd().isEmpty()) << c.name;
        EXPECT_EQ(w->NomFic->text().isEmpty(), !c.nameKept) << c.name;
        EXPECT_EQ(QFileInfo::exists(c.archive), c.existing) << c.name;
    }
}

// A failed add leaves the archive as it was, and the list shows it so.
TEST_F(AddingTest, AFailedAddListsTheArchiveAgain)
{
    const QString archive = makeArchive(u"arch/garde.zip"_s);
    script(listing({u"ancien.txt"_s}) + "when -W\nreturn 290\n");
    w->NomFic->setText(archive);
    w->BtActuClick();
    ASSERT_EQ(w->Entries->count(), 1);
    boxes.answers = {IdOk};
    pick([&] { checkItems({"a.txt"}); });
    add(archive);
    ASSERT_FALSE(lastAdd().isEmpty());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(w->Entries->count(), 1);
}

TEST_F(AddingTest, AddedFilesAreDeletedOnlyWhenSafelyStored)
{
    struct Case {
        const char *name;
        QByteArray addCode;  // what the add returns
        QByteArray testCode; // what the quiet test after it returns
        QStringList kept;    // of a.txt and b.doc, reported as kept
    };
    const Case cases[] = {
        {"what changed during the add stays", "0", "0", {"b.doc"}},
        {"the archive tests with a warning: both stay", "0", "10", {"a.txt", "b.doc"}},
        {"the add warns: no question, both stay", "10", "0", {}},
    };
    for (const Case &c : cases) {
        writeSources();
        // The module stores a.txt and b.doc; b.doc grows while it works.
        script("when -W\n1010 name=a.txt size=5\nappend path=" +
               QUrl::toPercentEncoding(source + u"/b.doc"_s, "/") +
               " text=plus\n1010 name=b.doc size=5\nwhen -t\nreturn " + c.testCode + "\nwhen -W\nreturn " +
               c.addCode + "\n" + listing({u"a.txt"_s, u"b.doc"_s}));
        boxes.answers = {IdYes, IdYes, IdOk};
        pick([&] {
            checkItems({"a.txt", "b.doc"});
            d->SupprimeFichiers->setChecked(true);
        });
        add(prog.filePath(u"arch/deplace.zip"_s));

        const bool asked = c.addCode == "0";
        EXPECT_EQ(QFile::exists(source + u"/a.txt"_s), !asked || c.kept.contains("a.txt")) << c.name;
        EXPECT_TRUE(QFile::exists(source + u"/b.doc"_s)) << c.name;
        EXPECT_EQ(test::filesBelow(source).size(), asked && c.kept.size() == 1 ? 3 : 4) << c.name;
        ASSERT_FALSE(boxes.shown.isEmpty()) << c.name;
        if (asked)
            EXPECT_EQ(boxes.shown.last().text, c.kept.join(u'\r') + u'\r' + GetLabel(161))
                << c.name;
        else
            EXPECT_FALSE(boxes.shown.last().text.contains(GetLabel(160))) << c.name;
    }
}

TEST_F(AddingTest, RealModulesMakeAnArchiveOtherToolsRead)
{
    // Sub-folders, a dot-file, spaces, accents, an empty file and 300 kB of noise.
    const QString tree = prog.filePath(u"arbre"_s);
    QByteArray noise(300 * 1024, '\0');
    quint32 x = 12345;
    for (char &c : noise)
        c = char((x = x * 1103515245 + 12345) >> 24);
    const std::pair<const char *, QByteArray> files[] = {
        {"lisez moi.txt", "Bonjour\n"},  {"docs/été/rapport final.doc", QByteArray(5000, 'r')},
        {"docs/.config", "cache=1\n"},   {"docs/vide.txt", ""},
        {"données/bruit.bin", noise},
    };
    for (const auto &[name, bytes] : files) {
        const QString path = tree + u'/' + QString::fromUtf8(name);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(test::writeFile(path, bytes));
    }
    const QMap<QString, QByteArray> original = test::filesBelow(tree);

    w->XZip->SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    d->Repsrc->setText(tree);
    const QString archive = prog.filePath(u"arch/réel.zip"_s);
    boxes.answers = {IdYes, IdYes, IdOk};
    pick([&] {
        d->Lister->click();
        d->Button1Click();
        d->TousFics->click();
        d->lbMaximumClick();
        d->SupprimeFichiers->setChecked(true);
    });
    add(archive);

    // Listed again, and every source deleted after the checks.
    EXPECT_EQ(w->Entries->count(), 5);
    EXPECT_TRUE(test::filesBelow(tree).isEmpty());
    ASSERT_EQ(boxes.shown.size(), 3);
    EXPECT_EQ(boxes.shown[2].text, GetLabel(162));

    EXPECT_TRUE(test::toolOutput(u"unzip"_s, {u"-tq"_s, archive}).has_value());
    EXPECT_TRUE(test::toolOutput(u"7z"_s, {u"t"_s, archive}).has_value());
    // Python reads the names by the archive's own rules, whatever the locale.
    const QString out = prog.filePath(u"extrait"_s);
    const std::optional<QByteArray> names =
        test::toolOutput(u"python3"_s, {u"-c"_s,
                                        QStringLiteral("import sys, zipfile\n"
                                                       "z = zipfile.ZipFile(sys.argv[1])\n"
                                                       "assert z.testzip() is None\n"
                                                       "z.extractall(sys.argv[2])\n"
                                                       "print('\\n'.join(sorted(z.namelist())))\n"),
                                        archive, out});
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(QString::fromUtf8(*names).trimmed().split(u'\n'), original.keys());
    EXPECT_EQ(test::filesBelow(out), original);
}

} // namespace
