// Opening and listing an archive in the main window, with the fake modules.
#include "engine/tinterruption.h"
#include "operations/extractionfixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

class OpeningTest : public test::AnsweredFixture {
protected:
    // Listing of an archive with a folder entry, a file in it and a file at the top.
    static QByteArray threeEntryListing()
    {
        return "when -v\n"
               "80 name=docs/ size=0\n"
               "80 name=docs/a.txt size=1500 csize=700\n"
               "80 name=b.txt size=2048 csize=1000\n";
    }

    void open(const QString &archive)
    {
        w->NomFic->setText(archive);
        w->BtActuClick();
    }

    QString header() const { return w->lb_Contenu_Archive->text(); }

    // ExtraireUn enabled and checked, ExtraireTout checked, Suppr enabled.
    QList<bool> scope() const
    {
        return {w->ExtraireUn->isEnabled(), w->ExtraireUn->isChecked(), w->ExtraireTout->isChecked(),
                w->Suppr->isEnabled()};
    }
};

TEST_F(OpeningTest, EveryWayOfNamingAnArchiveOpensIt)
{
    script(threeEntryListing());
    const QString archive = makeArchive(u"a b/voies.zip"_s);
    start();
    const std::pair<const char *, std::function<void()>> ways[] = {
        {"Enter", [&] { w->NomFic->setText(archive), w->NomFic->lineEdit()->returnPressed(); }},
        {"browse dialog", [&] { boxes.fileAnswers.push_back(archive), w->NomFic->button()->click(); }},
        {"drop", [&] { w->FormDropFiles1DropFiles({archive, u"/ignored.zip"_s}); }},
        {"history", [&] { w->NomFic->setText(QString()), w->HistClick(w->MenuHisto->actions().first()); }},
        // The quotes go as soon as they are typed.
        {"refresh button", [&] { w->NomFic->setText(u'"' + archive + u'"'), w->BtActu->click(); }},
    };
    for (const auto &[name, way] : ways) {
        w->Entries->clear();
        way();
        EXPECT_EQ(w->Entries->count(), 2) << name;
        EXPECT_EQ(w->CurrentArchive, archive) << name;
        EXPECT_EQ(w->NomFic->text(), archive) << name;
    }
    EXPECT_EQ(w->HistoryItems(), QStringList{archive});

    // The file list on the left follows the archive named, and highlights
    // nothing for a new one.
    const QString other = makeArchive(u"a b/autre.zip"_s);
    open(other);
    EXPECT_EQ(w->FileListBox1->currentFile(), other);
    open(archive);
    EXPECT_EQ(w->FileListBox1->currentFile(), archive);
    // A name of no existing file goes to the adding dialog instead, once the
    // user agrees to create it.
    QFile::remove(fakeLogPath());
    boxes.dialogs.clear();
    boxes.answers = {IdYes};
    boxes.formAnswers.push_back([](QDialog *) { return int(QDialog::Rejected); });
    open(prog.filePath(u"a b/nouvelle"_s));
    EXPECT_EQ(w->FileListBox1->currentFile(), QString());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(GetLabel(222)));
    EXPECT_EQ(boxes.dialogs, QStringList{u"Eselfics"_s});
    EXPECT_EQ(w->NomFic->text(), prog.filePath(u"a b/nouvelle.zip"_s));
    EXPECT_TRUE(calls().isEmpty());
}

// The file-system model under the list keeps showing a folder it was once
// asked about, whatever its filter.
TEST_F(OpeningTest, TheArchiveListShowsNoFolder)
{
    const QString inner = makeArchive(u"dossier/x.zip"_s);
    makeArchive(u"y.zip"_s);
    TFileListBox list;
    list.setMask(u"*.zip"_s);
    list.setDirectory(QFileInfo(inner).path());
    list.selectFile(u"x.zip"_s);
    list.setDirectory(prog.path());
    const auto shown = [&list] {
        QStringList names;
        const QModelIndex root = list.rootIndex();
        for (int row = 0; row < list.model()->rowCount(root); ++row)
            names << list.model()->index(row, 0, root).data().toString();
        return names;
    };
    // The folder is read by a thread of the model.
    const QDeadlineTimer deadline(10000);
    while (!shown().contains(u"y.zip"_s) && !deadline.hasExpired()) {
        QThread::msleep(5);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(shown(), QStringList{u"y.zip"_s});
}

TEST_F(OpeningTest, RefusedNamesSayWhy)
{
    start();
    boxes.answers = {IdOk, IdOk};
    open(u"/tmp/a.rar"_s);
    EXPECT_TRUE(w->NomFic->text().isEmpty());
    open(u"/tmp/l'archive.zip"_s);
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(121));
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(boxes.shown[1].text, GetLabel(122));
    EXPECT_EQ(w->NomFic->text(), u"/tmp/l'archive.zip"_s);
    EXPECT_TRUE(calls().isEmpty());
}

// The listing: folder entries skipped, sizes summed, the engine given the
// name as typed, the destination the archive's folder, nothing left busy;
// then the check marks drive the header and the scope.
TEST_F(OpeningTest, ListingAndCheckMarksDriveHeaderAndScope)
{
    script(threeEntryListing() + "80 name=c.txt size=3\n");
    start();
    const QString archive = makeArchive(u"arch/sel.zip"_s);
    open(archive);
    EXPECT_TRUE(boxes.shown.isEmpty()) << texts().join(u'|').toStdString();
    ASSERT_EQ(w->Entries->count(), 3);
    EXPECT_EQ(w->Entries->fullName(0), u"docs/a.txt"_s);
    EXPECT_EQ(w->Entries->size(1), 2048);
    EXPECT_EQ(w->TotalSize, 3551);
    EXPECT_TRUE(w->RespectRep->isEnabled());
    EXPECT_EQ(w->windowTitle(), u"Tovo v4.4 - "_s + archive);
    EXPECT_TRUE(w->Ajout->isEnabled() && w->isEnabled());
    EXPECT_FALSE(AppForms().Interruption->isVisible());
    EXPECT_EQ(w->PanelDroite->text(), GetLabel(220)); // no "please wait" left behind
    ASSERT_EQ(calls().size(), 2);
    EXPECT_EQ(calls()[0], (QStringList{QString(), u"-t"_s, archive}));
    EXPECT_EQ(AppForms().Conf->RepDest->text(), prog.filePath(u"arch/"_s));
    const QString base = u"3 "_s + GetLabel(251);
    EXPECT_EQ(header(), base + u" :"_s);

    const QList<bool> some{true, true, false, true}, every{false, false, true, false};
    check({1});
    EXPECT_EQ(header(), base + u" ~ "_s + GetLabel(252) + u" : 1"_s);
    EXPECT_EQ(scope(), some);
    check({0, 2});
    EXPECT_EQ(header(), base + u" ~ "_s + GetLabel(252) + u" : 3"_s);
    EXPECT_EQ(scope(), every);

    // Unchecking the highlighted entries through the menu.
    w->ListeficsZip->selectionModel()->select(w->Entries->index(0), QItemSelectionModel::Select);
    w->ListeficsZip->selectionModel()->select(w->Entries->index(2), QItemSelectionModel::Select);
    w->DSel1->trigger();
    EXPECT_EQ(w->Entries->checkedNames(), QStringList{u"b.txt"_s});
    EXPECT_EQ(scope(), some);

    w->ListeficsZip->selectionModel()->clearSelection();
    w->Sel1->trigger(); // nothing highlighted: no change, header refreshed
    EXPECT_EQ(w->Entries->checkedCount(), 1);
    w->ListeficsZip->selectionModel()->select(w->Entries->index(1), QItemSelectionModel::Select);
    w->DSel1->trigger();
    EXPECT_EQ(header(), base + u" :"_s);
    EXPECT_EQ(scope(), every);

    // A double click in the folder tree empties the list: nothing in the
    // window still speaks of its entries.
    check({1});
    w->DirectoryListBox1DblClick();
    EXPECT_EQ(w->Entries->count(), 0);
    EXPECT_EQ(header(), DisplayText(GetLabel(12)));
    EXPECT_EQ(scope(), every);
    EXPECT_FALSE(w->ExtractZips->isEnabled());
    EXPECT_TRUE(w->TailleD->text().isEmpty());
    // The archive still named opens again with Enter.
    w->NomFic->lineEdit()->returnPressed();
    EXPECT_EQ(w->Entries->count(), 3);
    EXPECT_TRUE(w->ExtractZips->isEnabled());
    // Listed again (after a delete of the checked entries, say): nothing is
    // checked, so the scope is every entry.
    check({1});
    w->OpenArchive();
    EXPECT_TRUE(w->ExtraireTout->isChecked());
}

TEST_F(OpeningTest, ResultCodesAreReportedByTheirLabels)
{
    start();
    struct Case {
        const char *name;
        QChar command;
        int code;
        bool success;
        int label; // 0: no box
        MessageIcon icon;
        bool skipTest = false;
    };
    const Case cases[] = {
        {"warning keeps success", u'L', 50, true, 84, MessageIcon::Warning},
        {"multi-disk refusal", u'D', 430, false, 108, MessageIcon::Error},
        {"423 warns yet fails", u'E', 423, false, 272, MessageIcon::Warning},
        {"unknown code", u'A', 999, false, 272, MessageIcon::Error},
        {"quiet test below 100", u't', 60, true, 0, MessageIcon::None},
        {"quiet test error", u't', 130, false, 125, MessageIcon::Error},
        // Stopped by the user: a stop, not a damaged archive.
        {"quiet test stopped", u't', 370, false, 103, MessageIcon::Error},
        // Skipping the test (an option) skips only the test.
        {"quiet test skipped", u't', 190, true, 0, MessageIcon::None, true},
        {"an add fails though the test is skipped", u'A', 190, false, 93, MessageIcon::Error, true},
    };
    for (const Case &c : cases) {
        script("return " + QByteArray::number(c.code) + "\n");
        AppForms().EOptions->DesacTest->setChecked(c.skipTest);
        QFile::remove(fakeLogPath());
        boxes.shown.clear();
        boxes.answers = {IdOk};
        w->TailleC->setText(u"12 Ko"_s);
        EXPECT_EQ(w->RunEngineCommand(c.command), c.success) << c.name;
        EXPECT_EQ(calls().isEmpty(), c.skipTest && c.command == u't') << c.name;
        if (c.label == 0) {
            EXPECT_TRUE(boxes.shown.isEmpty()) << c.name;
            continue;
        }
        ASSERT_EQ(boxes.shown.size(), 1) << c.name;
        const QString text = boxes.shown[0].text;
        if (c.label == 125) {
            EXPECT_EQ(text, GetLabel(125) + u" 130"_s) << c.name;
        } else {
            EXPECT_EQ(text, GetLabel(126) + u"\r\r"_s + GetLabel(c.label) + u" ("_s +
                                QString::number(c.code) + u")\r"_s)
                << c.name;
        }
        EXPECT_EQ(boxes.shown[0].icon, c.icon) << c.name;
        EXPECT_EQ(w->TailleC->text(), u"0"_s) << c.name;
    }
}

// A right click on the refresh button repairs: the plain repair first, the
// harder one when it fails. A result that tests clean is a success, named
// with what was dropped and the copy of the original that still holds it.
TEST_F(OpeningTest, RepairReportsWhatItDroppedAndKeepsTheOriginal)
{
    struct Case {
        const char *name;
        QByteArray script;
        QStringList runs; // the repair switches, in order
        QList<int> labels; // in the one box
        MessageIcon icon;
        QString dropped;  // named in the box
        bool oldBackup;   // a NAME.bak is there before
        bool kept;        // a copy of the original stays
    };
    const QByteArray harderDrops = "when -F\nreturn 490\nwhen -FF\n1060 name=b.txt reason=4\n"
                                   "1060 name=chiffre.txt reason=5\nreturn 10\n";
    const QStringList both{u"-F"_s, u"-FF"_s};
    const Case cases[] = {
        {"sound archive", "return 0\n", {u"-F"_s}, {279}, MessageIcon::Information, {}, false, false},
        {"harder repair drops an entry", harderDrops, both, {279, 236, 237}, MessageIcon::Warning,
         u"b.txt"_s, false, true},
        {"a copy already there is left alone", harderDrops, both, {279, 236, 237}, MessageIcon::Warning,
         u"b.txt"_s, true, true},
        {"plain repair drops the damaged end", "when -F\n1060 name=fin.txt reason=4\nreturn 10\n",
         {u"-F"_s}, {279, 236, 237}, MessageIcon::Warning, u"fin.txt"_s, false, true},
        {"unverifiable entries are named, nothing dropped", "when -F\n1060 name=secret.txt reason=6\nreturn 10\n",
         {u"-F"_s}, {279, 239}, MessageIcon::Warning, {}, false, false},
        {"both fail", "return 490\n", both, {280, 113}, MessageIcon::Error, {}, false, false},
        {"stopped by the user", "return 370\n", {u"-F"_s}, {126, 103}, MessageIcon::Error, {}, false, false},
    };
    start();
    for (const Case &c : cases) {
        QTemporaryDir folder;
        const QString archive = folder.filePath(u"abime.zip"_s);
        ASSERT_TRUE(test::writeFile(archive, "original"));
        if (c.oldBackup) {
            ASSERT_TRUE(test::writeFile(archive + u".bak"_s, "plus ancien"));
        }
        const QString copy = archive + (c.oldBackup ? u".1.bak"_s : u".bak"_s);
        script(c.script);
        QFile::remove(fakeLogPath());
        boxes.shown.clear();
        boxes.answers = {IdOk};
        w->NomFic->setText(archive);
        w->BtActuMouseUp(Qt::RightButton);

        QStringList runs;
        for (const QStringList &call : calls())
            runs << call.value(1);
        EXPECT_EQ(runs, c.runs) << c.name;
        ASSERT_EQ(boxes.shown.size(), 1) << c.name;
        const QString text = boxes.shown[0].text;
        EXPECT_TRUE(text.startsWith(GetLabel(c.labels[0]))) << c.name << ": " << text.toStdString();
        for (int label : c.labels)
            EXPECT_TRUE(text.contains(GetLabel(label))) << c.name << ": label " << label;
        EXPECT_EQ(boxes.shown[0].icon, c.icon) << c.name;
        if (!c.dropped.isEmpty()) {
            EXPECT_TRUE(text.contains(GetLabel(236) + u'\r' + c.dropped + u"\r\r"_s))
                << c.name << ": " << text.toStdString();
            EXPECT_FALSE(text.contains(u"chiffre.txt"_s)) << c.name << ": kept, not dropped";
        }
        if (c.labels.contains(239)) {
            EXPECT_TRUE(text.contains(GetLabel(239) + u'\r' + u"secret.txt"_s)) << c.name;
            EXPECT_FALSE(text.contains(GetLabel(236))) << c.name;
        }
        EXPECT_EQ(text.endsWith(GetLabel(237) + u'\r' + copy), c.kept) << c.name;
        EXPECT_EQ(test::readFile(copy), c.kept ? QByteArray("original") : QByteArray()) << c.name;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1 + int(c.oldBackup) + int(c.kept)) << c.name;
        if (c.oldBackup) {
            EXPECT_EQ(test::readFile(archive + u".bak"_s), QByteArray("plus ancien")) << c.name;
        }
        EXPECT_TRUE(w->isEnabled()) << c.name;
    }
}

TEST_F(OpeningTest, AllAnswersEveryLaterOverwriteQuery)
{
    start();
    script("10 name=a.txt action=0\n10 name=b.txt action=0\n10 name=c.txt action=0\n");
    boxes.answers = {IdAll};
    EXPECT_TRUE(w->RunEngineCommand(u'E'));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNoAbortAll);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(u"\r [ a.txt ]"_s));
    const QStringList replies = answers();
    ASSERT_EQ(replies.size(), 3);
    for (const QString &reply : replies)
        EXPECT_TRUE(reply.startsWith(u"10 0 action=1"_s)) << reply.toStdString();

    // A new extraction asks again; No keeps the file, Abort stops the command.
    w->ReplaceAllChosen = false;
    QFile::remove(fakeLogPath());
    script("10 name=a.txt action=1\n10 name=b.txt action=1\nreturn 370\n");
    boxes.answers = {IdNo, IdAbort, IdOk};
    w->RunEngineCommand(u'E');
    EXPECT_EQ(answers().value(0).left(13), u"10 0 action=0"_s);
    EXPECT_EQ(answers().value(1).left(13), u"10 1 action=1"_s);
}

TEST_F(OpeningTest, InterruptingALongListingStopsIt)
{
    QByteArray listing = "when -v\n";
    for (int i = 0; i < 200; ++i)
        listing += "80 name=f" + QByteArray::number(i) + ".txt size=1\n";
    listing += "return 370\n";
    script(listing);
    const QString archive = makeArchive(u"long.zip"_s);
    start();
    w->XZip->DispatchInterval = 0; // every message lets the queued key press through
    // The user presses Escape in the busy window once the listing runs, and confirms.
    boxes.answers = {IdYes, IdOk};
    bool first = true;
    const TZipFileStatsEvent listed = w->XZip->OnListing;
    w->XZip->OnListing = [&](TZipEngine *engine, const TZipFileStats &stats) {
        if (first) {
            first = false;
            QTimer::singleShot(0, [] {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(AppForms().Interruption, &escape);
            });
        }
        listed(engine, stats);
    };
    open(archive);
    ASSERT_GE(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(247));
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(boxes.shown[1].text.contains(GetLabel(103)));
    // The module was told to stop from the first message after the answer.
    const QStringList replies = answers();
    ASSERT_FALSE(replies.isEmpty());
    EXPECT_TRUE(replies.last().startsWith(u"80 1"_s));
    EXPECT_EQ(w->Entries->count(), 0);
    EXPECT_TRUE(w->isEnabled());
    EXPECT_FALSE(w->XZip->Abort);
}

TEST_F(OpeningTest, PasswordReconciliation)
{
    start();
    w->XZip->Password = u"secret"_s;
    w->MotDePasse->setText(u"autre"_s);
    // Retyping the engine's password wrongly is refused with label 262.
    boxes.textAnswers.push_back(u"faux"_s);
    boxes.answers = {IdOk};
    EXPECT_FALSE(w->ConfirmPassword());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(262));

    // Same password typed: accepted at once.
    w->MotDePasse->setText(u"secret"_s);
    EXPECT_TRUE(w->ConfirmPassword());

    // An empty field takes the engine's password once it is retyped.
    w->MotDePasse->clear();
    boxes.textAnswers.push_back(u"secret"_s);
    EXPECT_TRUE(w->ConfirmPassword());
    EXPECT_EQ(w->MotDePasse->text(), u"secret"_s);

    // A new password must be typed twice; Abort gives up.
    w->XZip->Password.clear();
    w->MotDePasse->setText(u"neuf"_s);
    boxes.answers = {IdYes};
    boxes.textAnswers.push_back(u"neuf"_s);
    EXPECT_TRUE(w->ConfirmPassword());
    boxes.answers = {IdAbort};
    EXPECT_FALSE(w->ConfirmPassword());
}

TEST_F(OpeningTest, ProgressAndEntryInformation)
{
    start();
    TZipFileStats stats;
    stats.FileName = u"dossier/grand.bin"_s;
    stats.Size = 6LL * 1024 * 1024 * 1024; // beyond 32 bits
    stats.BytesDone = stats.Size / 2;
    stats.CompressedSize = stats.Size / 4;
    w->XZipStatus(stats);
    EXPECT_EQ(w->Gauge->value() * 2, w->Gauge->maximum());
    stats.BytesDone = stats.Size;
    w->XZipStatus(stats);
    EXPECT_EQ(w->Gauge->value(), 0);
    w->XZipExtracting(stats);
    EXPECT_EQ(w->FiGauge->value() * 4, w->FiGauge->maximum());
    EXPECT_EQ(w->LastExtractedSize, static_cast<double>(stats.Size));
    EXPECT_TRUE(w->TailleFD->text().endsWith(GetLabel(258)));
    w->XZipAdding(stats);
    EXPECT_EQ(w->libfic->text(), u"[grand.bin]"_s);
    boxes.answers = {IdOk};
    w->XZipNewdisk(0);
    EXPECT_EQ(boxes.shown.last().text, GetLabel(217));
}

} // namespace
