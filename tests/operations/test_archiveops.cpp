// Refreshing, deleting and copying the archive from the main window.
#include "engine/tinterruption.h"
#include "extractionfixture.h"
#include "operations/tpathdialog.h"
#include "platform/filecopy.h"

#include <QDir>

#include <cerrno>
#include <sys/stat.h>
#include <utime.h>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

constexpr time_t OldTime = 981'200'000; // February 2001

bool setTime(const QString &path, time_t when)
{
    const struct utimbuf times{when, when};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

time_t timeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtime : 0;
}

// Runs a tool; its standard output, or nothing when it failed.
std::optional<QByteArray> run(const QStringList &command, const QString &directory = {})
{
    return test::toolOutput(command[0], command.mid(1), directory);
}

class ArchiveOpsTest : public test::AnsweredFixture {
protected:
    QTemporaryDir work;

    void TearDown() override
    {
        platform::SetCopyFault({});
        QDir::setCurrent(ProgDir());
        AnsweredFixture::TearDown();
    }

    // Lays files down under folder, each holding its own name.
    static void lay(const QString &folder, const QStringList &names)
    {
        for (const QString &name : names) {
            QDir().mkpath(QFileInfo(folder + name).absolutePath());
            ASSERT_TRUE(test::writeFile(folder + name, name.toUtf8()));
        }
    }

    // The main switch of each call the fake modules received.
    QStringList commands() const
    {
        QStringList result;
        for (const QStringList &call : calls())
            result << call.value(1);
        return result;
    }

    // Whether the boxes shown carry these labels, in this order.
    bool shownLabels(const QList<int> &labels) const
    {
        if (boxes.shown.size() != labels.size())
            return false;
        for (int i = 0; i < labels.size(); ++i) {
            if (!boxes.shown[i].text.contains(GetLabel(labels[i])))
                return false;
        }
        return true;
    }

    // Starts a step: forgets the calls, boxes and folder dialogs of the last.
    void step(std::deque<std::optional<QString>> folders, std::deque<int> answers)
    {
        forget();
        boxes.folderRequests.clear();
        boxes.directoryAnswers = std::move(folders);
        boxes.answers = std::move(answers);
    }
};

TEST_F(ArchiveOpsTest, PathDialogComponent)
{
    TPathDialog dialog;
    dialog.SetDirectory(QString());
    EXPECT_EQ(dialog.Directory(), QDir::currentPath());
    struct Case {
        const char *name;
        bool showStatus;
        std::optional<QString> answer;
        QString directory; // afterwards
    };
    const Case cases[] = {
        {"chosen, with a status line", true, u"/srv/choisi/"_s, u"/srv/choisi"_s},
        {"cancelled: as set while open", false, std::nullopt, u"/srv/ailleurs/"_s},
    };
    for (const Case &c : cases) {
        step({c.answer}, {});
        boxes.folderMoves.clear();
        boxes.folderStatus.clear();
        dialog.SetDirectory(u"/srv/depart/"_s);
        dialog.ShowStatus = c.showStatus;
        QStringList events;
        dialog.OnShow = [&](TPathDialog *d) {
            events << u"show"_s;
            // While open, both properties reach the dialog.
            d->SetDirectory(u"/srv/ailleurs//"_s);
            d->SetStatusText(u"état"_s);
        };
        dialog.OnSelect = [&](TPathDialog *, const QString &path) { events << path; };
        EXPECT_EQ(dialog.Execute(), c.answer.has_value()) << c.name;

        ASSERT_EQ(boxes.folderRequests.size(), 1) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].directory, u"/srv/depart"_s) << c.name;
        EXPECT_EQ(boxes.folderMoves, QStringList{u"/srv/ailleurs/"_s}) << c.name;
        EXPECT_EQ(boxes.folderStatus, c.showStatus ? QStringList{u"état"_s} : QStringList()) << c.name;
        EXPECT_EQ(events, QStringList{u"show"_s} + (c.answer ? QStringList{*c.answer} : QStringList())) << c.name;
        EXPECT_EQ(dialog.Directory(), c.directory) << c.name;
    }
}

TEST_F(ArchiveOpsTest, RefreshListsTheFilesFoundAndFreshensTheChecked)
{
    QStringList longNames;
    for (int i = 1; i <= 12; ++i)
        longNames << u"rapport-trimestriel-numero-%1.txt"_s.arg(i, 2, 10, QLatin1Char('0'));
    const QStringList three{u"a.txt"_s, u"docs/b.txt"_s, u"c.txt"_s};
    const auto lines = [](const QStringList &shown) { return u"\r   "_s + shown.join(u"\r   "_s); };
    struct Case {
        const char *name;
        QStringList names;
        std::vector<int> checked;
        QStringList onDisk;
        int answer; // to the question
        int count;
        QString list;
        QStringList refreshed; // what the engine is given; empty: nothing runs
    };
    const Case cases[] = {
        {"nothing checked: every entry", three, {}, {three[0], three[1]}, IdYes, 2,
         lines({u"../b.txt"_s, u"a.txt"_s}), three},
        {"only the checked ones", three, {1, 2}, three, IdYes, 2, lines({u"c.txt"_s, u"../b.txt"_s}),
         {three[1], three[2]}},
        {"twelve long names", longNames, {}, longNames, IdYes, 12,
         lines({longNames[3], longNames[2], longNames[1], longNames[0]}) + u"\r... etc ..."_s, longNames},
        {"answered No", three, {}, three, IdNo, 3, lines({u"c.txt"_s, u"../b.txt"_s, u"a.txt"_s}), {}},
    };
    for (const Case &c : cases) {
        QTemporaryDir source;
        lay(source.path() + u"/"_s, c.onDisk);
        const QString archive = openArchive(c.names);
        check(c.checked);
        step({source.path()}, {c.answer});
        w->Actu->click();

        ASSERT_EQ(boxes.folderRequests.size(), 1) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].title, u"Répertoire de recherche "_s) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].directory, QDir::cleanPath(DirectoryPart(archive))) << c.name;
        ASSERT_EQ(boxes.shown.size(), 1) << c.name;
        EXPECT_EQ(boxes.shown[0].text, GetLabel(228) + u": "_s + source.path() + u"/\r"_s + QString::number(c.count) +
                                           u" "_s + GetLabel(164) + u" :"_s + c.list + u"\r\r"_s + GetLabel(165))
            << c.name;
        EXPECT_EQ(QDir::currentPath(), source.path()) << c.name;
        if (c.refreshed.isEmpty()) {
            EXPECT_TRUE(calls().isEmpty()) << c.name;
            continue;
        }
        // Freshen, then the archive is tested and listed again.
        EXPECT_EQ(commands(), (QStringList{u"-f"_s, u"-t"_s, u"-v"_s})) << c.name;
        const QStringList vector{QString(), u"-f"_s,       u"-6"_s, u"-n"_s, u".ZIP;.LZH;.ARC;.ARJ;.ZOO"_s,
                                 u"-t"_s,   u"01011980"_s, archive, u"-W"_s};
        EXPECT_EQ(calls().value(0), vector + c.refreshed) << c.name;
    }
}

TEST_F(ArchiveOpsTest, RefreshWithoutMatchOrWithAFailure)
{
    QTemporaryDir empty;
    QTemporaryDir full;
    lay(full.path() + u"/"_s, {u"a.txt"_s, u"b.txt"_s});
    const QString none = empty.path();
    struct Case {
        const char *name;
        QByteArray engine; // what the fake plays for the freshen
        std::deque<std::optional<QString>> folders;
        std::deque<int> answers;
        QList<int> labels;
        QStringList commands;
    };
    const QStringList freshenThenList{u"-f"_s, u"-t"_s, u"-v"_s};
    const Case cases[] = {
        {"163 No ends", {}, {none}, {IdNo}, {163}, {}},
        {"163 Abort ends", {}, {none}, {IdAbort}, {163}, {}},
        {"163 Yes, then cancelled", {}, {none, std::nullopt}, {IdYes}, {163}, {}},
        {"163 Yes, then a folder with the files", {}, {none, full.path()}, {IdYes, IdYes}, {163, 228},
         freshenThenList},
        {"a failed freshen is not listed again", "when -f\nreturn 160\n", {full.path()}, {IdYes, IdOk}, {228, 91},
         {u"-f"_s}},
    };
    for (const Case &c : cases) {
        const QString archive = openArchive({u"a.txt"_s, u"b.txt"_s}, c.engine);
        step(c.folders, c.answers);
        w->ActuClick();

        EXPECT_TRUE(shownLabels(c.labels)) << c.name;
        EXPECT_EQ(commands(), c.commands) << c.name;
        // The dialog opens again on the folder just chosen.
        QStringList starts{QDir::cleanPath(DirectoryPart(archive))};
        if (c.folders.size() > 1)
            starts << none;
        ASSERT_EQ(boxes.folderRequests.size(), starts.size()) << c.name;
        for (int i = 0; i < starts.size(); ++i)
            EXPECT_EQ(boxes.folderRequests[i].directory, starts[i]) << c.name;
    }
}

TEST_F(ArchiveOpsTest, DeleteAsksAndRemovesTheCheckedEntries)
{
    const QStringList names{u"a.txt"_s, u"docs/b.txt"_s, u"c.txt"_s, u"docs/d.txt"_s, u"e.txt"_s};
    struct Case {
        const char *name;
        std::vector<int> checked;
        QByteArray engine;
        std::deque<int> answers;
        QList<int> labels;
        QStringList commands;
        bool otherTyped = false; // another archive named since the listing
    };
    const Case cases[] = {
        {"another archive typed is opened, nothing deleted", {1, 3}, {}, {}, {}, {u"-t"_s, u"-v"_s}, true},
        {"nothing checked", {}, {}, {IdOk}, {166}, {}},
        {"answered No", {1, 3}, {}, {IdNo, IdOk}, {167, 168}, {}},
        {"answered Cancel", {1, 3}, {}, {IdCancel, IdOk}, {167, 168}, {}},
        {"Yes deletes and lists again", {3, 1}, {}, {IdYes}, {167}, {u"-d"_s, u"-t"_s, u"-v"_s}},
        {"refused by the engine (430)", {1, 3}, "return 430\n", {IdYes, IdOk}, {167, 108}, {u"-d"_s}},
    };
    for (const Case &c : cases) {
        const QString archive = openArchive(names, c.engine);
        check(c.checked);
        step({}, c.answers);
        const QString other = QFileInfo(archive).absolutePath() + u"/autre.zip"_s;
        if (c.otherTyped) {
            ASSERT_TRUE(QFile::copy(archive, other));
            w->NomFic->setText(other);
        }
        w->SupprClick();

        EXPECT_TRUE(shownLabels(c.labels)) << c.name;
        if (c.otherTyped) {
            EXPECT_EQ(calls().value(0).value(2), other) << c.name;
            EXPECT_EQ(w->ListedArchive, other) << c.name;
            QFile::remove(other);
        }
        if (!c.labels.isEmpty() && c.labels.last() == 108) {
            EXPECT_EQ(boxes.shown.last().icon, MessageIcon::Error) << c.name;
        }
        EXPECT_EQ(commands(), c.commands) << c.name;
        if (!c.commands.isEmpty() && !c.otherTyped) {
            // The full names, in list order.
            EXPECT_EQ(calls().value(0), (QStringList{QString(), u"-d"_s, archive, names[1], names[3]})) << c.name;
        }
    }
}

TEST_F(ArchiveOpsTest, CopyReplacesOnlyWhenCompleteAndNeverTheSource)
{
    // More than one chunk, so a copy can fail or stop part-way.
    QByteArray content(platform::CopyChunkSize + 123457, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 7919) >> 5);
    const QString home = work.filePath(u"depart"_s);
    const QString archive = home + u"/archive.zip"_s;
    QDir().mkpath(home);
    ASSERT_TRUE(test::writeFile(archive, content));
    ASSERT_TRUE(setTime(archive, OldTime));

    enum Target { NewFolder, Existing, OwnFolder, OwnThroughLink };
    struct Case {
        const char *name;
        Target target;
        std::deque<int> answers;
        QList<int> labels;
        bool copied;
        int fault = 0;     // error of a write failing at the second chunk
        bool stop = false; // the user interrupts at the second chunk
    };
    const Case cases[] = {
        {"to a new folder", NewFolder, {IdYes, IdOk}, {148, 150}, true},
        {"to a new folder, answered No", NewFolder, {IdNo}, {148}, false},
        {"over an existing file, Yes replaces", Existing, {IdYes, IdOk}, {145, 150}, true},
        {"over an existing file, Abort keeps", Existing, {IdAbort}, {145}, false},
        {"onto itself", OwnFolder, {IdOk}, {169}, false},
        {"onto itself through a link", OwnThroughLink, {IdOk}, {169}, false},
        {"the disk fills part-way", Existing, {IdYes, IdOk}, {145, 91}, false, ENOSPC},
        {"stopped by the user", Existing, {IdYes, IdYes, IdOk}, {145, 247, 103}, false, 0, true},
    };
    start();
    w->NomFic->setText(archive);
    QString lastFolder = QDir::currentPath();
    int row = 0;
    for (const Case &c : cases) {
        const QString folder = work.filePath(u"cible%1"_s.arg(++row));
        const QString target = folder + u"/archive.zip"_s;
        QDir().mkpath(folder);
        const QString chosen = c.target == OwnFolder ? home : c.target == OwnThroughLink ? folder + u"/lien"_s : folder;
        ASSERT_TRUE(c.target != OwnThroughLink || QFile::link(home, chosen));
        ASSERT_TRUE(c.target != Existing || (test::writeFile(target, "ancien") && setTime(target, OldTime + 60)));
        // Once past the first chunk: the gauge shows bytes copied out of the
        // size, the window is busy with the interruption window up.
        bool fired = false;
        bool gaugeMoved = false;
        bool busy = false;
        platform::SetCopyFault([&](std::int64_t offset) {
            if (offset < platform::CopyChunkSize || fired)
                return 0;
            fired = true;
            gaugeMoved = w->Gauge->maximum() == content.size() && w->Gauge->value() > 0 && w->Gauge->value() <= offset;
            busy = !w->isEnabled() && AppForms().Interruption->isVisible();
            if (c.stop)
                AppForms().Interruption->BitBtn1->click();
            return c.fault;
        });
        step({chosen}, c.answers);
        w->CopyZip->click();

        ASSERT_EQ(boxes.folderRequests.size(), 1) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].title, u"Répertoire de copie du Zip :"_s) << c.name;
        // The dialog opens on the folder chosen last time.
        EXPECT_EQ(boxes.folderRequests[0].directory, lastFolder) << c.name;
        lastFolder = chosen;
        // The question names the target; the failure says the target is kept.
        const QString question = c.target == Existing ? GetLabel(145) + u" [ "_s + target + u" ]\r"_s
                                                      : GetLabel(148) + u"\r  archive.zip\r"_s + GetLabel(149) +
                                                            u"\r  "_s + target + u"  ?"_s;
        if (c.target == NewFolder || c.target == Existing) {
            EXPECT_EQ(boxes.shown.value(0).text, question) << c.name;
        }
        EXPECT_TRUE(shownLabels(c.labels)) << c.name;
        if (c.fault || c.stop) {
            EXPECT_TRUE(boxes.shown.last().text.startsWith(GetLabel(147))) << c.name;
            EXPECT_TRUE(gaugeMoved) << c.name;
            EXPECT_TRUE(busy) << c.name;
        }

        EXPECT_EQ(test::readFile(archive), content) << c.name;
        EXPECT_EQ(timeOf(archive), OldTime) << c.name;
        if (c.target == OwnFolder || c.target == OwnThroughLink)
            continue;
        // Nothing but the target in its folder: no temporary file is left.
        const QStringList present = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_EQ(present, c.copied || c.target == Existing ? QStringList{u"archive.zip"_s} : QStringList()) << c.name;
        if (c.copied || c.target == Existing) {
            EXPECT_EQ(test::readFile(target), c.copied ? content : QByteArray("ancien")) << c.name;
            EXPECT_EQ(timeOf(target), c.copied ? OldTime : OldTime + 60) << c.name;
        }
        EXPECT_EQ(w->Gauge->value(), 0) << c.name;
        EXPECT_TRUE(w->isEnabled()) << c.name;
    }

    // Without an existing archive there is nothing to copy.
    w->NomFic->setText(work.filePath(u"absente.zip"_s));
    step({}, {IdOk});
    w->CopyZipClick();
    EXPECT_TRUE(boxes.folderRequests.isEmpty());
    EXPECT_TRUE(shownLabels({146}));
}

TEST_F(ArchiveOpsTest, RealModulesRefreshChangedFilesAndDelete)
{
    const QString folder = work.filePath(u"source/"_s);
    const QStringList names{u"a.txt"_s, u"b.txt"_s, u"docs/c.txt"_s, u"docs/d.txt"_s, u"e.txt"_s};
    lay(folder, names);
    for (const QString &name : names)
        ASSERT_TRUE(setTime(folder + name, OldTime));
    const QString archive = work.filePath(u"fichiers.zip"_s);
    ASSERT_TRUE(run(QStringList{u"zip"_s, u"-q"_s, archive} + names, folder));
    // Two files change on disk (newer); the others stay as they were.
    const QStringList changed{names[1], names[3]};
    for (const QString &name : changed) {
        ASSERT_TRUE(test::writeFile(folder + name, "nouveau " + name.toUtf8()));
        ASSERT_TRUE(setTime(folder + name, OldTime + 3600));
    }

    start();
    w->XZip->SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    w->NomFic->setText(archive);
    w->BtActuClick();
    ASSERT_EQ(w->Entries->count(), 5);
    step({folder}, {IdYes});
    w->ActuClick();
    EXPECT_TRUE(shownLabels({228})) << texts().join(u'|').toStdString();
    ASSERT_EQ(w->Entries->count(), 5);
    const QByteArray listing = run({u"unzip"_s, u"-l"_s, archive}).value_or(QByteArray());
    EXPECT_EQ(listing.count(".txt\n"), 5) << listing.constData();
    for (const QString &name : names) {
        EXPECT_TRUE(listing.contains(' ' + name.toUtf8() + '\n')) << name.toStdString();
        const QByteArray expected = (changed.contains(name) ? "nouveau " : "") + name.toUtf8();
        EXPECT_EQ(run({u"unzip"_s, u"-p"_s, archive, name}), expected) << name.toStdString();
    }

    // Deleting two of the five leaves three, and the archive tests clean.
    check({1, 3});
    step({}, {IdYes});
    w->SupprClick();
    EXPECT_TRUE(shownLabels({167})) << texts().join(u'|').toStdString();
    ASSERT_EQ(w->Entries->count(), 3);
    EXPECT_EQ(w->Entries->checkedNames(), QStringList());
    EXPECT_EQ((QStringList{w->Entries->fullName(0), w->Entries->fullName(1), w->Entries->fullName(2)}),
              (QStringList{names[0], names[2], names[4]}));
    EXPECT_TRUE(run({u"unzip"_s, u"-tq"_s, archive}).has_value());
}

} // namespace
