// Refreshing, deleting and copying the archive from the main window: the
// folder dialog component, the questions and what reaches the engine (fake
// modules), the copy's safety, and refresh and delete through the real modules.
#include "engine/qtprint.h"
#include "engine/tinterruption.h"
#include "extractionfixture.h"
#include "operations/tpathdialog.h"
#include "platform/filecopy.h"
#include "shell/labeltable.h"
#include "shell/paths.h"

#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

#include <cerrno>
#include <sys/stat.h>
#include <utime.h>

using namespace tovo;

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

class ArchiveOpsTest : public test::ExtractionFixture {
protected:
    QTemporaryDir work;

    void TearDown() override
    {
        platform::SetCopyFault({});
        QDir::setCurrent(ProgDir());
        ExtractionFixture::TearDown();
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

    // Lines of the refresh list, as shown (the last found first).
    static QString lines(const QStringList &shown)
    {
        QString text;
        for (const QString &line : shown)
            text += QStringLiteral("\r   ") + line;
        return text;
    }

    // Runs a tool; its standard output, or nothing when it failed.
    static std::optional<QByteArray> run(const QString &program, const QStringList &arguments,
                                         const QString &directory = {})
    {
        QProcess p;
        p.setWorkingDirectory(directory);
        p.start(program, arguments);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return std::nullopt;
        return p.readAllStandardOutput();
    }

    static QStringList filesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
};

TEST_F(ArchiveOpsTest, PathDialogComponent)
{
    struct Case {
        const char *name;
        QString directory;
        QString expected;
    };
    const Case directories[] = {
        {"one trailing separator goes", QStringLiteral("/srv/data/"), QStringLiteral("/srv/data")},
        {"only one of two", QStringLiteral("/srv/data//"), QStringLiteral("/srv/data/")},
        {"the root stays the root", QStringLiteral("/"), QStringLiteral("/")},
        {"empty: the current directory", QString(), QDir::currentPath()},
    };
    TPathDialog dialog;
    for (const Case &c : directories) {
        dialog.SetDirectory(c.directory);
        EXPECT_EQ(dialog.Directory(), c.expected) << c.name;
    }

    struct Run {
        const char *name;
        bool showStatus;
        TRootItem root;
        std::optional<QString> answer;
    };
    const Run runs[] = {
        {"chosen, status shown", true, riMyComputer, QStringLiteral("/srv/choisi/")},
        {"chosen, no status line", false, riDesktop, QStringLiteral("/srv/autre")},
        {"cancelled", true, riMyComputer, std::nullopt},
    };
    for (const Run &r : runs) {
        boxes.folderRequests.clear();
        boxes.folderMoves.clear();
        boxes.folderStatus.clear();
        dialog.SetDirectory(QStringLiteral("/srv/depart/"));
        dialog.Title = QStringLiteral("Titre");
        dialog.ShowStatus = r.showStatus;
        dialog.RootItem = r.root;
        QStringList events;
        dialog.OnShow = [&](TPathDialog *d) {
            events << QStringLiteral("show");
            // While open, both properties reach the dialog.
            d->SetDirectory(QStringLiteral("/srv/ailleurs/"));
            d->SetStatusText(QStringLiteral("état"));
        };
        dialog.OnSelect = [&](TPathDialog *, const QString &path) { events << path; };
        boxes.directoryAnswers = {r.answer};
        EXPECT_EQ(dialog.Execute(), r.answer.has_value()) << r.name;

        ASSERT_EQ(boxes.folderRequests.size(), 1) << r.name;
        const FolderDialogRequest &request = boxes.folderRequests[0];
        EXPECT_EQ(request.title, QStringLiteral("Titre")) << r.name;
        EXPECT_EQ(request.directory, QStringLiteral("/srv/depart")) << r.name;
        EXPECT_EQ(request.showStatus, r.showStatus) << r.name;
        EXPECT_EQ(request.root, r.root == riDesktop
                                    ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                                    : QStringLiteral("/"))
            << r.name;
        EXPECT_EQ(boxes.folderMoves, QStringList{QStringLiteral("/srv/ailleurs")}) << r.name;
        EXPECT_EQ(boxes.folderStatus, r.showStatus ? QStringList{QStringLiteral("état")} : QStringList()) << r.name;
        QStringList expected{QStringLiteral("show")};
        if (r.answer)
            expected << *r.answer;
        EXPECT_EQ(events, expected) << r.name;
        EXPECT_EQ(dialog.Directory(), r.answer ? QDir::cleanPath(*r.answer) : QStringLiteral("/srv/ailleurs"))
            << r.name;
        // Once closed, setting the folder no longer reaches a dialog.
        dialog.SetDirectory(QStringLiteral("/srv"));
        EXPECT_EQ(boxes.folderMoves.size(), 1) << r.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(ArchiveOpsTest, RefreshListsTheFilesFoundAndFreshensTheChecked)
{
    QStringList longNames;
    for (int i = 1; i <= 12; ++i)
        longNames << QStringLiteral("rapport-trimestriel-numero-%1.txt").arg(i, 2, 10, QLatin1Char('0'));
    const QStringList three{QStringLiteral("a.txt"), QStringLiteral("docs/b.txt"), QStringLiteral("c.txt")};
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
         lines({QStringLiteral("../b.txt"), QStringLiteral("a.txt")}), three},
        {"only the checked ones", three, {1, 2}, three, IdYes, 2,
         lines({QStringLiteral("c.txt"), QStringLiteral("../b.txt")}), {three[1], three[2]}},
        {"twelve long names", longNames, {}, longNames, IdYes, 12,
         lines({longNames[3], longNames[2], longNames[1], longNames[0]}) + QStringLiteral("\r... etc ..."),
         longNames},
        {"answered No", three, {}, three, IdNo, 3,
         lines({QStringLiteral("c.txt"), QStringLiteral("../b.txt"), QStringLiteral("a.txt")}), {}},
    };
    for (const Case &c : cases) {
        QTemporaryDir source;
        const QString folder = source.path() + QLatin1Char('/');
        lay(folder, c.onDisk);
        const QString archive = openArchive(c.names);
        check(c.checked);
        forget();
        boxes.folderRequests.clear();
        boxes.directoryAnswers = {source.path()};
        boxes.answers = {c.answer};
        w->Actu->click();

        ASSERT_EQ(boxes.folderRequests.size(), 1) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].title, QStringLiteral("Répertoire de recherche ")) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].directory, QDir::cleanPath(DirectoryPart(archive))) << c.name;
        ASSERT_EQ(boxes.shown.size(), 1) << c.name;
        EXPECT_EQ(boxes.shown[0].text, GetLabel(228) + QStringLiteral(": ") + folder + QLatin1Char('\r') +
                                           QString::number(c.count) + QLatin1Char(' ') + GetLabel(164) +
                                           QStringLiteral(" :") + c.list + QStringLiteral("\r\r") + GetLabel(165))
            << c.name;
        EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNoAbort) << c.name;
        EXPECT_EQ(QDir::currentPath(), source.path()) << c.name;
        if (c.refreshed.isEmpty()) {
            EXPECT_TRUE(calls().isEmpty()) << c.name;
            continue;
        }
        // Freshen, then the archive is tested and listed again.
        EXPECT_EQ(commands(), (QStringList{QStringLiteral("-f"), QStringLiteral("-t"), QStringLiteral("-v")}))
            << c.name;
        QStringList vector{QString(),         QStringLiteral("-f"), QStringLiteral("-6"),
                           QStringLiteral("-n"), QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO"),
                           QStringLiteral("-t"), QStringLiteral("01011980"), archive, QStringLiteral("-W")};
        EXPECT_EQ(calls().value(0), vector + c.refreshed) << c.name;
        EXPECT_EQ(w->Entries->checkedCount(), 0) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(ArchiveOpsTest, RefreshWithoutMatchOrWithAFailure)
{
    const QStringList names{QStringLiteral("a.txt"), QStringLiteral("b.txt")};
    QTemporaryDir empty;
    QTemporaryDir full;
    lay(full.path() + QLatin1Char('/'), names);
    struct Case {
        const char *name;
        QByteArray engine; // what the fake plays for the freshen
        std::deque<std::optional<QString>> folders;
        std::deque<int> answers;
        QStringList dialogStarts; // where each folder dialog opened
        QList<int> labels;        // the boxes shown, by the label they carry
        QStringList commands;
    };
    const QString emptyPath = empty.path();
    const Case cases[] = {
        {"163 No ends", {}, {emptyPath}, {IdNo}, {QString()}, {163}, {}},
        {"163 Abort ends", {}, {emptyPath}, {IdAbort}, {QString()}, {163}, {}},
        {"163 Yes opens the dialog again on that folder", {}, {emptyPath, std::nullopt}, {IdYes},
         {QString(), emptyPath}, {163}, {}},
        {"another folder then", {}, {emptyPath, full.path()}, {IdYes, IdYes}, {QString(), emptyPath},
         {163, 228}, {QStringLiteral("-f"), QStringLiteral("-t"), QStringLiteral("-v")}},
        {"a failed freshen is reported, not listed again", "when -f\nreturn 160\n", {full.path()}, {IdYes, IdOk},
         {QString()}, {228, 91}, {QStringLiteral("-f")}},
    };
    for (const Case &c : cases) {
        const QString archive = openArchive(names, c.engine);
        forget();
        boxes.folderRequests.clear();
        boxes.directoryAnswers = c.folders;
        boxes.answers = c.answers;
        w->ActuClick();

        QStringList starts;
        for (const FolderDialogRequest &r : boxes.folderRequests)
            starts << r.directory;
        QStringList expected = c.dialogStarts;
        expected[0] = QDir::cleanPath(DirectoryPart(archive));
        EXPECT_EQ(starts, expected) << c.name;
        ASSERT_EQ(boxes.shown.size(), c.labels.size()) << c.name;
        for (int i = 0; i < c.labels.size(); ++i)
            EXPECT_TRUE(boxes.shown[i].text.contains(GetLabel(c.labels[i]))) << c.name << " box " << i;
        EXPECT_EQ(commands(), c.commands) << c.name;
        EXPECT_EQ(boxes.unexpected, 0) << c.name;
    }

    // Where the dialog first opens when the name has no folder part.
    struct Start {
        const char *name;
        QString destination;
        QString expected;
    };
    const Start starts[] = {
        {"the extraction destination", full.path() + QLatin1Char('/'), full.path()},
        {"no destination: the program's folder", QString(), QDir::cleanPath(ProgDir())},
        {"an unreachable one: the program's folder", full.path() + QStringLiteral("/disparu/"),
         QDir::cleanPath(ProgDir())},
    };
    for (const Start &s : starts) {
        w->NomFic->setText(QStringLiteral("nom-seul.zip"));
        AppForms().Conf->RepDest->setText(s.destination);
        boxes.folderRequests.clear();
        boxes.directoryAnswers = {std::nullopt};
        w->ActuClick();
        ASSERT_EQ(boxes.folderRequests.size(), 1) << s.name;
        EXPECT_EQ(boxes.folderRequests[0].directory, s.expected) << s.name;
    }
}

TEST_F(ArchiveOpsTest, DeleteAsksAndRemovesTheCheckedEntries)
{
    const QStringList names{QStringLiteral("a.txt"), QStringLiteral("docs/b.txt"), QStringLiteral("c.txt"),
                            QStringLiteral("docs/d.txt"), QStringLiteral("e.txt")};
    struct Case {
        const char *name;
        std::vector<int> checked;
        QByteArray engine;
        std::deque<int> answers;
        QList<int> labels;
        QStringList commands;
    };
    const QStringList deleteThenList{QStringLiteral("-d"), QStringLiteral("-t"), QStringLiteral("-v")};
    const Case cases[] = {
        {"nothing checked", {}, {}, {IdOk}, {166}, {}},
        {"answered No", {1, 3}, {}, {IdNo, IdOk}, {167, 168}, {}},
        {"answered Cancel", {1, 3}, {}, {IdCancel, IdOk}, {167, 168}, {}},
        {"Yes deletes the full names and lists again", {3, 1}, {}, {IdYes}, {167}, deleteThenList},
        {"refused by the engine (430)", {1, 3}, "return 430\n", {IdYes, IdOk}, {167, 108}, {QStringLiteral("-d")}},
    };
    for (const Case &c : cases) {
        const QString archive = openArchive(names, c.engine);
        check(c.checked);
        w->MotDePasse->setText(QString());
        forget();
        boxes.answers = c.answers;
        w->SupprClick();

        ASSERT_EQ(boxes.shown.size(), c.labels.size()) << c.name;
        for (int i = 0; i < c.labels.size(); ++i)
            EXPECT_TRUE(boxes.shown[i].text.contains(GetLabel(c.labels[i]))) << c.name << " box " << i;
        if (!c.labels.isEmpty() && c.labels.last() == 108) {
            EXPECT_EQ(boxes.shown.last().icon, MessageIcon::Error) << c.name;
        }
        EXPECT_EQ(commands(), c.commands) << c.name;
        if (!c.commands.isEmpty()) {
            EXPECT_EQ(calls().value(0), (QStringList{QString(), QStringLiteral("-d"), archive, names[1], names[3]}))
                << c.name;
        }
        EXPECT_EQ(boxes.unexpected, 0) << c.name;
    }
}

TEST_F(ArchiveOpsTest, CopyReplacesOnlyWhenCompleteAndNeverTheSource)
{
    // More than one chunk, so a copy can fail or stop part-way.
    QByteArray content(platform::CopyChunkSize + 123457, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 7919) >> 5);
    const QString archive = work.filePath(QStringLiteral("depart/archive.zip"));
    QDir().mkpath(work.filePath(QStringLiteral("depart")));
    ASSERT_TRUE(test::writeFile(archive, content));
    ASSERT_TRUE(setTime(archive, OldTime));
    const QByteArray previous = "ancienne copie";

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
        const QString folder = work.filePath(QStringLiteral("cible%1").arg(++row));
        QDir().mkpath(folder);
        QString chosen = folder;
        if (c.target == OwnFolder)
            chosen = work.filePath(QStringLiteral("depart"));
        if (c.target == OwnThroughLink) {
            chosen = folder + QStringLiteral("/lien");
            ASSERT_TRUE(QFile::link(work.filePath(QStringLiteral("depart")), chosen));
        }
        const QString target = folder + QStringLiteral("/archive.zip");
        if (c.target == Existing) {
            ASSERT_TRUE(test::writeFile(target, previous));
            ASSERT_TRUE(setTime(target, OldTime + 3600));
        }
        std::vector<std::pair<int, int>> gauges; // value, maximum at the second chunk
        bool busy = false;
        platform::SetCopyFault([&](std::int64_t offset) {
            if (offset == 0)
                return 0;
            gauges.emplace_back(w->Gauge->value(), w->Gauge->maximum());
            busy = !w->isEnabled() && AppForms().Interruption->isVisible();
            if (c.stop)
                AppForms().Interruption->BitBtn1->click();
            return c.fault;
        });
        boxes.shown.clear();
        boxes.folderRequests.clear();
        boxes.directoryAnswers = {chosen};
        boxes.answers = c.answers;
        w->CopyZip->click();

        ASSERT_EQ(boxes.folderRequests.size(), 1) << c.name;
        EXPECT_EQ(boxes.folderRequests[0].title, QStringLiteral("Répertoire de copie du Zip :")) << c.name;
        // The dialog opens on the folder chosen last time.
        EXPECT_EQ(boxes.folderRequests[0].directory, lastFolder) << c.name;
        lastFolder = chosen;
        ASSERT_EQ(boxes.shown.size(), c.labels.size()) << c.name;
        for (int i = 0; i < c.labels.size(); ++i)
            EXPECT_TRUE(boxes.shown[i].text.contains(GetLabel(c.labels[i]))) << c.name << " box " << i;
        if (c.labels[0] == 148) {
            EXPECT_EQ(boxes.shown[0].text, GetLabel(148) + QStringLiteral("\r  archive.zip\r") + GetLabel(149) +
                                               QStringLiteral("\r  ") + target + QStringLiteral("  ?"))
                << c.name;
        }
        if (c.labels[0] == 145) {
            EXPECT_EQ(boxes.shown[0].text, GetLabel(145) + QStringLiteral(" [ ") + target + QStringLiteral(" ]\r"))
                << c.name;
        }
        if (c.fault || c.stop) {
            EXPECT_TRUE(boxes.shown.last().text.startsWith(GetLabel(147))) << c.name;
            EXPECT_EQ(gauges, (std::vector<std::pair<int, int>>{{platform::CopyChunkSize, content.size()}}))
                << c.name;
            EXPECT_TRUE(busy) << c.name;
        }

        EXPECT_EQ(test::readFile(archive), content) << c.name;
        EXPECT_EQ(timeOf(archive), OldTime) << c.name;
        if (c.target == OwnFolder || c.target == OwnThroughLink)
            continue;
        // Nothing but the target in its folder: no temporary file is left.
        EXPECT_EQ(filesIn(folder), c.copied || c.target == Existing ? QStringList{QStringLiteral("archive.zip")}
                                                                    : QStringList())
            << c.name;
        if (c.copied) {
            EXPECT_EQ(test::readFile(target), content) << c.name;
            EXPECT_EQ(timeOf(target), OldTime) << c.name;
        } else if (c.target == Existing) {
            EXPECT_EQ(test::readFile(target), previous) << c.name;
            EXPECT_EQ(timeOf(target), OldTime + 3600) << c.name;
        }
        EXPECT_EQ(w->Gauge->value(), 0) << c.name;
        EXPECT_TRUE(w->isEnabled()) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
    EXPECT_EQ(w->CurrentArchive, archive);

    // Without an existing archive there is nothing to copy.
    struct Missing {
        const char *name;
        QString typed;
        QList<int> labels;
    };
    const Missing missing[] = {
        {"no name", QString(), {}},
        {"no such file", work.filePath(QStringLiteral("absente.zip")), {146}},
    };
    for (const Missing &m : missing) {
        w->NomFic->setText(m.typed);
        boxes.shown.clear();
        boxes.folderRequests.clear();
        boxes.answers = {IdOk};
        w->CopyZipClick();
        EXPECT_TRUE(boxes.folderRequests.isEmpty()) << m.name;
        ASSERT_EQ(boxes.shown.size(), m.labels.size()) << m.name;
        if (!m.labels.isEmpty()) {
            EXPECT_EQ(boxes.shown[0].text, GetLabel(m.labels[0])) << m.name;
        }
    }
}

TEST_F(ArchiveOpsTest, RealModulesRefreshChangedFilesAndDelete)
{
    const QString folder = work.filePath(QStringLiteral("source/"));
    const QStringList names{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("docs/c.txt"),
                            QStringLiteral("docs/d.txt"), QStringLiteral("e.txt")};
    lay(folder, names);
    const time_t before = OldTime;
    for (const QString &name : names)
        ASSERT_TRUE(setTime(folder + name, before));
    const QString archive = work.filePath(QStringLiteral("arch/fichiers.zip"));
    QDir().mkpath(work.filePath(QStringLiteral("arch")));
    ASSERT_TRUE(run(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), archive} + names, folder));
    // Two files change on disk (newer); the others stay as they were.
    const QStringList changed{names[1], names[3]};
    for (const QString &name : changed) {
        ASSERT_TRUE(test::writeFile(folder + name, "nouveau contenu de " + name.toUtf8()));
        ASSERT_TRUE(setTime(folder + name, before + 3600));
    }

    start();
    w->XZip->SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    w->NomFic->setText(archive);
    w->BtActuClick();
    ASSERT_EQ(w->Entries->count(), 5);
    boxes.shown.clear();
    boxes.directoryAnswers = {folder};
    boxes.answers = {IdYes};
    w->ActuClick();
    ASSERT_EQ(boxes.shown.size(), 1) << texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("5 ") + GetLabel(164))) << boxes.shown[0].text.toStdString();
    ASSERT_EQ(w->Entries->count(), 5);

    const std::optional<QByteArray> listing = run(QStringLiteral("unzip"), {QStringLiteral("-l"), archive});
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(listing->count(".txt\n"), 5) << listing->constData();
    for (const QString &name : names) {
        EXPECT_TRUE(listing->contains(' ' + name.toUtf8() + '\n')) << name.toStdString();
        const QByteArray expected = changed.contains(name) ? "nouveau contenu de " + name.toUtf8() : name.toUtf8();
        EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, name}), expected) << name.toStdString();
    }

    // Deleting two of the five leaves three, and the archive tests clean.
    check({1, 3});
    boxes.shown.clear();
    boxes.answers = {IdYes};
    w->SupprClick();
    EXPECT_EQ(boxes.shown.size(), 1) << texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(w->Entries->count(), 3);
    EXPECT_EQ(w->Entries->fullName(0), names[0]);
    EXPECT_EQ(w->Entries->fullName(1), names[2]);
    EXPECT_EQ(w->Entries->fullName(2), names[4]);
    EXPECT_TRUE(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}).has_value());
    EXPECT_EQ(boxes.unexpected, 0);
}

} // namespace
