// Extraction from the main window through the confirmation dialog.
#include "extractionfixture.h"

#include <QDir>
#include <QDirIterator>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

class ExtractionTest : public test::AnsweredFixture {
protected:
    // Ten entries in listing order, four of them in folders, one with spaces.
    static QStringList tenNames()
    {
        return {u"lisezmoi.txt"_s, u"docs/guide.html"_s, u"docs/images/a.png"_s, u"b.txt"_s, u"rapport final.doc"_s,
                u"c.txt"_s,        u"src/main.c"_s,      u"d.txt"_s,             u"e.txt"_s, u"src/f.h"_s};
    }

    static bool run(const QString &program, const QStringList &arguments, const QString &directory)
    {
        return test::toolOutput(program, arguments, directory).has_value();
    }

    // The folders under root, relative to it.
    static QStringList foldersUnder(const QString &root)
    {
        QStringList folders;
        QDirIterator it(root, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            folders << QDir(root).relativeFilePath(it.next());
        folders.sort();
        return folders;
    }
};

TEST_F(ExtractionTest, ScopeDecidesWhatIsExtractedAndNamed)
{
    struct Case {
        const char *name;
        std::vector<int> checked;
        bool userPicksAll; // the user clicks "all entries" after checking
        QStringList files; // empty: every entry
    };
    const QStringList names = tenNames();
    const Case cases[] = {
        {"none checked", {}, false, {}},
        {"all ten checked", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false, {}},
        {"three of ten, in list order", {9, 1, 4}, false, {names[1], names[4], names[9]}},
        {"three checked, all entries picked", {2, 3, 5}, true, {}},
    };
    for (const Case &c : cases) {
        const QString archive = openArchive(names);
        check(c.checked);
        if (c.userPicksAll)
            w->ExtraireTout->click();
        const bool all = c.files.isEmpty();
        EXPECT_EQ(w->ExtraireUn->font().bold(), !all) << c.name;
        EXPECT_EQ(w->ExtraireTout->font().bold(), all) << c.name;
        forget();
        confirm(IdYes);
        boxes.answers = {IdOk};
        w->ExtractZips->click();

        ASSERT_EQ(showings.size(), 1u) << c.name;
        const Showing shown = showings.back();
        showings.clear();
        const QString folder = DirectoryPart(archive);
        EXPECT_EQ(shown.label1, GetLabel(all ? 50 : 49)) << c.name;
        EXPECT_EQ(shown.nomF, all ? archive : c.files.join(u' ') + u' ') << c.name;
        EXPECT_EQ(extraction(), extractVector(archive, all ? QStringList{u"*.*"_s} : c.files, folder)) << c.name;
        EXPECT_EQ(shown.repDest, folder) << c.name;
        EXPECT_EQ(texts(), QStringList{GetLabel(130)}) << c.name;
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information) << c.name;
        EXPECT_EQ(opened, QStringList{folder}) << c.name;
        // The check marks are spent and the scope is all entries again.
        EXPECT_EQ(w->Entries->checkedCount(), 0) << c.name;
        EXPECT_TRUE(w->ExtraireTout->isChecked()) << c.name;
        EXPECT_TRUE(w->ExtraireTout->font().bold()) << c.name;
        EXPECT_EQ(w->lb_Contenu_Archive->text(), u"10 "_s + GetLabel(251) + u" :"_s) << c.name;
        EXPECT_EQ(w->focusWidget(), w->ListeficsZip) << c.name;
    }
}

TEST_F(ExtractionTest, AnswerAndResultDecideTheReports)
{
    struct Case {
        const char *name;
        int answer;
        QByteArray extraction; // what the fake plays
        bool runs;
        QList<int> labels; // the boxes shown, by the label they carry
        bool opens;
        bool ouvRep = true;
    };
    const Case cases[] = {
        {"No extracts nothing", IdNo, {}, false, {}, false},
        {"success", IdYes, {}, true, {130}, true},
        {"success, OuvRep unchecked", IdYes, {}, true, {130}, false, false},
        {"a warning is the last word", IdYes, "return 50\n", true, {84}, true},
        {"an error is only reported", IdYes, "return 190\n", true, {93}, false},
        {"423 warns yet fails", IdYes, "return 423\n", true, {272}, false},
    };
    const QStringList names = tenNames();
    for (const Case &c : cases) {
        openArchive(names, c.extraction);
        check({2, 3});
        forget();
        confirm(c.answer, [&](TConf &f) { f.OuvRep->setChecked(c.ouvRep); });
        boxes.answers = {IdOk, IdOk};
        w->ExtractZips->click();

        EXPECT_EQ(!extraction().isEmpty(), c.runs) << c.name;
        ASSERT_EQ(boxes.shown.size(), c.labels.size()) << c.name;
        for (int i = 0; i < c.labels.size(); ++i)
            EXPECT_TRUE(boxes.shown[i].text.contains(GetLabel(c.labels[i]))) << c.name << " box " << i;
        EXPECT_EQ(opened.size(), c.opens ? 1 : 0) << c.name;
        // No leaves the check marks; Yes clears them whatever the result.
        const QStringList kept{names[2], names[3]};
        EXPECT_EQ(w->Entries->checkedNames(), c.answer == IdNo ? kept : QStringList()) << c.name;
        EXPECT_EQ(w->ExtraireUn->isChecked(), c.answer == IdNo) << c.name;
        EXPECT_TRUE(w->isEnabled()) << c.name;
    }
}

TEST_F(ExtractionTest, RemplForceIsClearedAtEveryShowing)
{
    const QString archive = openArchive(tenNames(), "10 name=b.txt action=0\n");
    const QString folder = DirectoryPart(archive);
    // The user ticks it: existing files are replaced without a question.
    forget();
    confirm(IdYes, [](TConf &f) { f.RemplForce->setChecked(true); });
    boxes.answers = {IdYes, IdOk};
    w->ExtractZips->click();
    EXPECT_EQ(extraction(), extractVector(archive, {u"*.*"_s}, folder, {u"-o"_s}));

    // Next time it is unchecked again and the engine asks; an "All" given at
    // an earlier extraction does not carry over.
    w->ReplaceAllChosen = true;
    forget();
    confirm(IdYes);
    boxes.answers = {IdNo, IdOk};
    w->ExtractZips->click();
    ASSERT_EQ(showings.size(), 2u);
    EXPECT_FALSE(showings[0].remplForce);
    EXPECT_FALSE(showings[1].remplForce);
    EXPECT_EQ(extraction(), extractVector(archive, {u"*.*"_s}, folder));
    // Asked, answered No, and the engine told to keep the file.
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(answers().value(0).startsWith(u"10 0 action=0"_s));
    EXPECT_EQ(boxes.shown[1].text, GetLabel(130));
}

// The folder box, the password field and the typed destination reach the
// engine exactly as given; the folder button opens that destination.
TEST_F(ExtractionTest, SwitchesPasswordAndDestinationReachTheEngineAsGiven)
{
    struct Case {
        const char *name;
        QStringList names;
        bool checked;
        bool enabled; // as the listing left it
        bool flattened;
        QString password = {};
        QString typed = {}; // empty: the archive's folder, as proposed
    };
    const QStringList flat{u"a.txt"_s, u"b.txt"_s};
    const Case cases[] = {
        {"folders kept", tenNames(), true, true, false},
        {"folders dropped", tenNames(), false, true, true},
        {"no folders: disabled, paths kept", flat, false, false, false},
        {"password and destination as typed", tenNames(), true, true, false, u"S\u00e9same ouvre-toi"_s,
         u"  /nulle part/Sous Dossier"_s},
    };
    for (const Case &c : cases) {
        const QString archive = openArchive(c.names);
        EXPECT_EQ(w->RespectRep->isEnabled(), c.enabled) << c.name;
        w->RespectRep->setChecked(c.checked);
        w->MotDePasse->setText(c.password);
        forget();
        confirm(IdYes, [&](TConf &f) {
            if (!c.typed.isEmpty())
                f.RepDest->setText(c.typed);
        });
        boxes.answers = {IdOk};
        w->ExtractZips->click();
        const QString destination = c.typed.isEmpty() ? DirectoryPart(archive) : c.typed;
        const QStringList switches = c.flattened ? QStringList{u"-j"_s} : QStringList();
        QStringList expected = extractVector(archive, {u"*.*"_s}, destination, switches);
        expected[0] = c.password;
        EXPECT_EQ(extraction(), expected) << c.name;
        EXPECT_EQ(opened, QStringList{destination}) << c.name;
    }
}

// "=" toggles the destination whatever the case it is typed in, making no folder.
TEST_F(ExtractionTest, EqualsTogglesInAFolderOfMixedCase)
{
    const QString archive = openArchive(tenNames(), {}, u"Dossier Mixte/Rapport.Annuel.Zip"_s);
    const QString folder = DirectoryPart(archive);
    const QString sub = folder + u"Rapport.Annuel/"_s;
    QStringList seen;
    confirm(IdNo, [&](TConf &f) {
        seen << f.RepDest->text();
        for (int i = 0; i < 3; ++i) {
            f.btEgale->click();
            seen << f.RepDest->text();
        }
        f.RepDest->setText(folder.toLower());
        f.btEgale->click();
        seen << f.RepDest->text();
    });
    w->ExtractZips->click();
    EXPECT_EQ(seen, (QStringList{folder, sub, folder, sub, sub}));
    EXPECT_FALSE(QFileInfo::exists(sub));
    EXPECT_FALSE(w->DestinationChosen);
}

TEST_F(ExtractionTest, ChoosingTheDestinationThroughTheChooser)
{
    QTemporaryDir target;
    const QString archive = openArchive(tenNames());
    const QString folder = DirectoryPart(archive);
    const QString progDir = ProgDir();
    struct Case {
        const char *name;
        std::optional<QString> picked; // nothing: cancelled
        QString programDir;            // ProgDir while choosing
        QString expected;
        int label; // of the error shown, 0 for none
    };
    const QString gone = target.filePath(u"disparu"_s);
    const Case cases[] = {
        {"cancelled", std::nullopt, progDir, folder, 0},
        {"a reachable directory", target.path(), progDir, target.path() + u'/', 0},
        {"nothing reachable", gone, gone + u'/', gone + u'/', 265},
    };
    for (const Case &c : cases) {
        w->DestinationChosen = false;
        forget();
        QString chooserStart;
        QString afterEquals;
        QString repDest;
        confirm(IdNo, [&](TConf &f) {
            f.RepDest->setText(folder);
            SetProgDir(c.programDir);
            boxes.formAnswers.push_back([&](QDialog *dialog) {
                auto *chooser = qobject_cast<TChoixRep *>(dialog);
                EXPECT_NE(chooser, nullptr);
                if (!chooser)
                    return int(QDialog::Rejected);
                chooserStart = chooser->Liste->directory();
                chooser->Button1->click(); // "=": the archive's folder
                afterEquals = chooser->edit1->text();
                if (!c.picked)
                    return int(QDialog::Rejected);
                chooser->edit1->setText(*c.picked);
                return int(QDialog::Accepted);
            });
            boxes.answers = {IdOk};
            f.SelRepDest->click();
            SetProgDir(progDir);
            repDest = f.RepDest->text();
        });
        w->ExtractZips->click();
        EXPECT_EQ(AddBackslash(chooserStart), folder) << c.name;
        EXPECT_EQ(afterEquals, folder) << c.name;
        EXPECT_EQ(repDest, c.expected) << c.name;
        EXPECT_EQ(w->DestinationChosen, c.picked.has_value()) << c.name;
        EXPECT_EQ(texts(), c.label ? QStringList{GetLabel(c.label)} : QStringList()) << c.name;
        if (c.label) {
            EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error) << c.name;
        }
        EXPECT_TRUE(extraction().isEmpty()) << c.name;
    }
    QDir::setCurrent(ProgDir());

    // A chosen destination stays when another archive is opened.
    AppForms().Conf->RepDest->setText(target.path() + u'/');
    openArchive(tenNames(), {}, u"ailleurs/autre.zip"_s);
    EXPECT_EQ(AppForms().Conf->RepDest->text(), target.path() + u'/');
}

TEST_F(ExtractionTest, FolderButtonsOfTheMainWindow)
{
    QTemporaryDir target;
    const QString archive = openArchive(tenNames());
    forget();
    w->OuvreRepertoireDestination->click();
    EXPECT_EQ(opened, QStringList{DirectoryPart(archive)});

    // SelSrc: the chooser at the browser's directory; an accepted, non-empty
    // answer moves the browser there and gives the file list the focus.
    struct Case {
        const char *name;
        int result;
        QString picked;
        bool moves;
    };
    const Case cases[] = {
        {"cancelled", QDialog::Rejected, target.path(), false},
        {"empty answer", QDialog::Accepted, QString(), false},
        {"accepted", QDialog::Accepted, target.path(), true},
    };
    for (const Case &c : cases) {
        w->DirectoryListBox1->setDirectory(prog.path());
        w->NomFic->setFocus();
        QString chooserStart;
        boxes.formAnswers.push_back([&](QDialog *dialog) {
            auto *chooser = static_cast<TChoixRep *>(dialog);
            chooserStart = chooser->Liste->directory();
            chooser->edit1->setText(c.picked);
            return c.result;
        });
        w->SelSrc->click();
        EXPECT_EQ(boxes.dialogs.last(), u"ChoixRep"_s) << c.name;
        EXPECT_EQ(chooserStart, prog.path()) << c.name;
        const QString expected = c.moves ? target.path() : prog.path();
        EXPECT_EQ(w->DirectoryListBox1->directory(), expected) << c.name;
        EXPECT_EQ(w->FileListBox1->directory(), expected) << c.name;
        EXPECT_EQ(w->focusWidget() == w->FileListBox1, c.moves) << c.name;
    }
}

TEST_F(ExtractionTest, RealReaderExtractsInsideTheDestinationOnly)
{
    QTemporaryDir work;
    const QString made = work.filePath(u"made"_s);
    ASSERT_TRUE(QDir().mkpath(made + u"/docs"_s));
    ASSERT_TRUE(test::writeFile(made + u"/docs/a.txt"_s, "bonjour\n"));
    ASSERT_TRUE(test::writeFile(made + u"/b.txt"_s, "au revoir\n"));
    const QString infoZip = work.filePath(u"arch/infozip.zip"_s);
    const QString hostile = work.filePath(u"arch/hostile.zip"_s);
    const QString encrypted = work.filePath(u"arch/crypte.zip"_s);
    ASSERT_TRUE(QDir().mkpath(work.filePath(u"arch"_s)));
    ASSERT_TRUE(run(u"zip"_s, {u"-qr"_s, infoZip, u"."_s}, made));
    // The wrong password below must be refused by the password check itself.
    bool refused = false;
    for (int attempt = 0; attempt < 20 && !refused; ++attempt) {
        QFile::remove(encrypted);
        ASSERT_TRUE(run(u"zip"_s, {u"-qrP"_s, u"secret"_s, encrypted, u"."_s}, made));
        refused = test::checkRefuses(encrypted, {u"faux"_s});
    }
    ASSERT_TRUE(refused);
    const QString python = u"import sys, zipfile\n"
                           "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                           "    z.writestr('../evil.txt', 'mal')\n"
                           "    z.writestr('ok.txt', 'bien')\n"_s;
    ASSERT_TRUE(run(u"python3"_s, {u"-c"_s, python, hostile}, work.path()));

    start();
    w->XZip->SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    struct Case {
        const char *name;
        QString archive;
        QString password;
        QStringList extracted;
        QStringList folders; // under the destination
        int warning;         // the label of the warning, 0 for a full success
    };
    const QStringList both{u"b.txt"_s, u"docs/a.txt"_s};
    const Case cases[] = {
        {"Info-ZIP archive", infoZip, {}, both, {u"docs"_s}, 0},
        {"hostile name refused", hostile, {}, {u"ok.txt"_s}, {}, 81},
        // Nothing extracted: no folder made for the skipped entries is left.
        {"wrong password", encrypted, u"faux"_s, {}, {}, 83},
        {"right password", encrypted, u"secret"_s, both, {u"docs"_s}, 0},
    };
    for (const Case &c : cases) {
        const QString destination = work.filePath(u"arch/dest/"_s);
        QDir(destination).removeRecursively();
        boxes.answers = {IdOk, IdOk, IdOk, IdOk};
        w->NomFic->setText(c.archive);
        w->BtActuClick();
        ASSERT_EQ(w->CurrentArchive, c.archive) << c.name;
        w->MotDePasse->setText(c.password);
        boxes.shown.clear();
        boxes.answers = {IdOk, IdOk};
        confirm(IdYes, [&](TConf &f) { f.RepDest->setText(destination); });
        w->ExtractZips->click();

        EXPECT_EQ(test::filesBelow(destination).keys(), c.extracted) << c.name;
        EXPECT_EQ(foldersUnder(destination), c.folders) << c.name;
        for (const QString &f : c.extracted) {
            const QByteArray source = f == u"ok.txt"_s ? QByteArray("bien") : test::readFile(made + u'/' + f);
            EXPECT_EQ(test::readFile(destination + f), source) << c.name << " " << f.toStdString();
        }
        // Nothing beside the destination: the archives and what made them only.
        QStringList expected{u"arch/crypte.zip"_s, u"arch/hostile.zip"_s, u"arch/infozip.zip"_s, u"made/b.txt"_s,
                             u"made/docs/a.txt"_s};
        for (const QString &f : c.extracted)
            expected << u"arch/dest/"_s + f;
        expected.sort();
        EXPECT_EQ(test::filesBelow(work.path()).keys(), expected) << c.name;
        // A refused entry is a warning, and the last word: no success follows.
        ASSERT_EQ(boxes.shown.size(), 1) << c.name;
        EXPECT_TRUE(boxes.shown[0].text.contains(GetLabel(c.warning ? c.warning : 130))) << c.name;
        EXPECT_EQ(boxes.shown[0].icon, c.warning ? MessageIcon::Warning : MessageIcon::Information) << c.name;
    }
}

} // namespace
