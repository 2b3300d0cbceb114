// Full disks and failing writes through the write-failure shim: every command
// and save fails with a French message, keeps the original and reports no
// success. Two writers on one archive lose neither change silently.
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <utility>
#include <vector>

#include "engine/resultcodes.h"
#include "engine/zipcontract.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "support/testfiles.h"

using namespace tovo;

namespace {

using Env = std::vector<std::pair<QString, QString>>;

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome run(const QString &program, const QStringList &args, const QString &folder, const Env &env = {})
{
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : env)
        e.insert(name, value);
    p.setProcessEnvironment(e);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QString Cli = QStringLiteral(TOVO_BIN_DIR "/tovo-cli");

Outcome cli(const QStringList &args, const QString &folder, const Env &env = {}) { return run(Cli, args, folder, env); }

QByteArray noise(int size, quint32 seed)
{
    QByteArray b(size, '\0');
    QRandomGenerator g(seed);
    g.fillRange(reinterpret_cast<quint32 *>(b.data()), size / 4);
    return b;
}

class Reliability : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        QTemporaryDir labels;
        QFile::copy(test::shippedLabelsFile(), labels.filePath(LabelsFileName));
        SetLabelTable(LoadLabelFiles(labels.path()).labels);
    }

    // The text tovo-cli ends with for an error code.
    static QString errorLine(int code)
    {
        return QStringLiteral("erreur %1 : %2").arg(code).arg(DisplayText(GetLabel(LabelOfResultCode(code))));
    }
};

// One way of failing, as the shim's settings.
struct Fault {
    const char *name;
    Env env;
};

Env shim(const QString &path, const Env &fault)
{
    Env env = fault;
    env.emplace_back(QStringLiteral("LD_PRELOAD"), QStringLiteral(TOVO_WRITEFAULT));
    env.emplace_back(QStringLiteral("TOVO_FAULT_PATH"), path);
    return env;
}

const Fault WriteAtOnce{"disque plein dès le premier octet", {{"TOVO_FAULT_WRITE_AFTER", "0"}}};
const Fault WriteMidway{"disque plein en cours d'écriture", {{"TOVO_FAULT_WRITE_AFTER", "65536"}}};
const Fault IoMidway{"erreur d'entrée-sortie en cours d'écriture",
                     {{"TOVO_FAULT_WRITE_AFTER", "65536"}, {"TOVO_FAULT_ERRNO", "EIO"}}};
const Fault FlushFails{"vidage sur le disque en échec", {{"TOVO_FAULT_FSYNC", "1"}, {"TOVO_FAULT_ERRNO", "EIO"}}};
const Fault RenameFails{"renommage final en échec", {{"TOVO_FAULT_RENAME", "1"}}};

TEST_F(Reliability, ArchiveCommandsUnderWriteFaults)
{
    struct Command {
        const char *name;
        QStringList args;
        QString archive; // the file that must stay as it was
    };
    const QString out = QStringLiteral("sortie");
    const Command commands[] = {
        {"ajout", {"add", "a.zip", "trois.bin"}, "a.zip"},
        {"suppression", {"delete", "a.zip", "deux.txt"}, "a.zip"},
        {"actualisation", {"freshen", "a.zip"}, "a.zip"},
        {"réparation", {"fix", "r.zip"}, "r.zip"},
        {"extraction", {"extract", "a.zip", "-d", out, "-o"}, "a.zip"},
    };
    for (const Command &c : commands) {
        const bool extraction = c.args[0] == QLatin1String("extract");
        // Extraction does not flush each file (no extractor does): no flush to fail.
        std::vector<std::pair<Fault, int>> faults = {{WriteAtOnce, TOVO_ZIP_ERR_WRITE},
                                                     {WriteMidway, TOVO_ZIP_ERR_WRITE},
                                                     {IoMidway, TOVO_ZIP_ERR_WRITE},
                                                     {RenameFails, extraction ? TOVO_ZIP_ERR_WRITE
                                                                              : TOVO_ZIP_ERR_REPLACE_ARCHIVE}};
        if (!extraction)
            faults.push_back({FlushFails, TOVO_ZIP_ERR_WRITE});
        for (const auto &[fault, code] : faults) {
            const std::string row = std::string(c.name) + " / " + fault.name;
            QTemporaryDir w;
            const QByteArray one = noise(200000, 1);
            const QByteArray two = QByteArray("ligne de texte\n").repeated(2000);
            ASSERT_TRUE(test::writeFile(w.filePath("un.bin"), one));
            ASSERT_TRUE(test::writeFile(w.filePath("deux.txt"), two));
            ASSERT_TRUE(test::writeFile(w.filePath("trois.bin"), noise(200000, 3)));
            ASSERT_EQ(cli({"add", "a.zip", "un.bin", "deux.txt"}, w.path()).status, 0) << row;
            const QByteArray archive = test::readFile(w.filePath("a.zip"));
            ASSERT_TRUE(test::writeFile(w.filePath("r.zip"), archive.left(archive.indexOf("PK\x01\x02"))));
            // Newer on disk than in the archive, for the freshen.
            ASSERT_TRUE(test::writeFile(w.filePath("deux.txt"), two + "fin\n"));
            const std::time_t later = std::time(nullptr) + 3600;
            const timespec times[2] = {{later, 0}, {later, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(w.filePath("deux.txt")).constData(), times, 0), 0);
            QDir(w.path()).mkdir(out);
            // Only a file that replaces another is renamed into place.
            const QByteArray previous = "ancien\n";
            const bool replacing = extraction && fault.name == RenameFails.name;
            if (replacing) {
                ASSERT_TRUE(test::writeFile(w.filePath(out + "/un.bin"), previous));
                ASSERT_TRUE(test::writeFile(w.filePath(out + "/deux.txt"), previous));
            }
            auto before = test::filesBelow(w.path());

            const Outcome r = cli(c.args, w.path(), shim(w.path(), fault.env));
            EXPECT_EQ(r.status, 2) << row << "\n" << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(errorLine(code))) << row << "\n" << r.err.toStdString();
            // Every file as it was, no temporary left, an extracted file whole or absent.
            auto after = test::filesBelow(w.path());
            for (auto it = after.begin(); it != after.end();) {
                const bool extracted = it.key().startsWith(out + QLatin1Char('/'));
                if (extracted) {
                    const QString source = it.key().mid(out.size() + 1);
                    EXPECT_TRUE(it.value() == (source == QLatin1String("un.bin") ? one : two) ||
                                (replacing && it.value() == previous))
                        << row << " " << source.toStdString();
                    before.remove(it.key());
                    it = after.erase(it);
                } else {
                    ++it;
                }
            }
            EXPECT_EQ(after.keys(), before.keys()) << row;
            EXPECT_TRUE(after.value(c.archive) == before.value(c.archive)) << row;
        }
    }
}

TEST_F(Reliability, WindowSavesUnderWriteFaults)
{
    struct Save {
        const char *name;
        QString file; // the name the shim fails
        int label;    // 0: the copy, whose message ends with label 91
    };
    const Save saves[] = {
        {"favoris", "favoris.txt", 269},
        {"historique", "historique.txt", 275},
        {"paramètres", "tovo.ini", 117},
        {"copie de l'archive", "copie/", 0},
    };
    // The files are small: they fail after a few bytes.
    const Fault shortWrite{"disque plein en cours d'écriture", {{"TOVO_FAULT_WRITE_AFTER", "9"}}};
    const Fault shortIo{"erreur d'entrée-sortie en cours d'écriture",
                        {{"TOVO_FAULT_WRITE_AFTER", "9"}, {"TOVO_FAULT_ERRNO", "EIO"}}};
    const Fault faults[] = {WriteAtOnce, shortWrite, shortIo, FlushFails, RenameFails};
    for (const Save &s : saves) {
        for (const Fault &fault : faults) {
            const std::string row = std::string(s.name) + " / " + fault.name;
            QTemporaryDir w;
            const QString prog = w.filePath("prog");
            const QString config = w.filePath("config");
            QDir().mkpath(prog + "/aide");
            QDir().mkpath(config + "/Velmora");
            QDir().mkpath(w.filePath("copie"));
            ASSERT_TRUE(QFile::copy(test::shippedLabelsFile(), prog + "/" + LabelsFileName));
            ASSERT_TRUE(QFile::copy(QStringLiteral(TOVO_SOURCE_DIR "/data/aide/tovo.html"), prog + "/aide/tovo.html"));
            ASSERT_TRUE(test::writeFile(prog + "/favoris.txt", "/srv\r\n/home\r\n"));
            ASSERT_TRUE(test::writeFile(prog + "/historique.txt", w.filePath("a.zip").toUtf8() + "\n"));
            ASSERT_TRUE(test::writeFile(config + "/Velmora/tovo.ini", "[tovo]\nTaille=12\n"));
            ASSERT_TRUE(test::writeFile(w.filePath("a.zip"), noise(300000, 7)));
            const auto before = test::filesBelow(w.path());

            const QStringList args = s.label ? QStringList{"close", prog, config}
                                             : QStringList{"copy", prog, config, w.filePath("a.zip"), w.filePath("copie")};
            const Env env = shim(s.label ? s.file : w.filePath(s.file), fault.env);
            const Outcome r = run(QStringLiteral(TOVO_FAULT_PROBE), args, w.path(), env);
            ASSERT_EQ(r.status, 0) << row << "\n" << r.err.toStdString();
            const QStringList shown = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            const QString failure = s.label ? GetLabel(276) + " - " + GetLabel(s.label) + " | " + GetLabel(91)
                                            : GetLabel(91);
            ASSERT_EQ(shown.size(), s.label ? 1 : 2) << row << "\n" << r.out.toStdString();
            EXPECT_TRUE(shown.last().contains(failure)) << row << "\n" << r.out.toStdString();
            EXPECT_FALSE(r.out.contains(GetLabel(150))) << row; // the copy's success
            // The file that failed is as it was, and nothing was left beside it.
            const auto after = test::filesBelow(w.path());
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                if (it.key().endsWith(s.file) || it.key().startsWith(QLatin1String("copie"))) {
                    EXPECT_TRUE(after.value(it.key()) == it.value()) << row << " " << it.key().toStdString();
                }
            }
            for (const QString &name : after.keys()) {
                EXPECT_FALSE(name.contains(QLatin1String(".tovo-"))) << row << " " << name.toStdString();
                EXPECT_FALSE(name.startsWith(QLatin1String("copie/"))) << row << " " << name.toStdString();
            }
        }
    }
}

TEST_F(Reliability, NextWriteRemovesOnlyStaleTemporaries)
{
    QTemporaryDir w;
    ASSERT_TRUE(test::writeFile(w.filePath("un.txt"), "un"));
    ASSERT_EQ(cli({"add", "a.zip", "un.txt"}, w.path()).status, 0);
    // Left by killed runs (two seconds old at least); held by a live writer or not ours.
    const QStringList stale{".a.zip.tovo-123456", ".a.zip.tovo-k3x9"};
    const QStringList kept{".a.zip.tovo-777", ".a.zip.tovo-1.zip", ".b.zip.tovo-1", "a.zip.tovo-1", ".a.zip.tovo-"};
    const std::time_t old = std::time(nullptr) - 60;
    const timespec times[2] = {{old, 0}, {old, 0}};
    for (const QString &name : stale + kept) {
        ASSERT_TRUE(test::writeFile(w.filePath(name), "reste"));
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(w.filePath(name)).constData(), times, 0), 0);
    }
    const int live = ::open(QFile::encodeName(w.filePath(kept[0])).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    ASSERT_TRUE(test::writeFile(w.filePath("deux.txt"), "deux"));
    const Outcome added = cli({"add", "a.zip", "deux.txt"}, w.path());
    ::close(live);
    EXPECT_EQ(added.status, 0) << added.err.toStdString();
    QStringList expected = kept + QStringList{"a.zip", "un.txt", "deux.txt"};
    expected.sort();
    EXPECT_EQ(QDir(w.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(" "), expected.join(" "));

    // The empty file that holds the lock of a new archive goes when the add fails.
    EXPECT_EQ(cli({"add", "neuf.zip", "absent.txt"}, w.path()).status, 2);
    EXPECT_FALSE(QFile::exists(w.filePath("neuf.zip")));
}

TEST_F(Reliability, TwoWritersNeverLoseAChangeSilently)
{
    QTemporaryDir w;
    ASSERT_TRUE(test::writeFile(w.filePath("base.txt"), "base"));
    ASSERT_EQ(cli({"add", "a.zip", "base.txt"}, w.path()).status, 0);
    const QByteArray before = test::readFile(w.filePath("a.zip"));

    // Another process holds the archive: the command waits, refuses, leaves it alone.
    ASSERT_TRUE(test::writeFile(w.filePath("un.txt"), "un"));
    {
        const int fd = ::open(QFile::encodeName(w.filePath("a.zip")).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        const Outcome refused = cli({"add", "a.zip", "un.txt"}, w.path());
        ::close(fd);
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.err.contains(errorLine(TOVO_ZIP_ERR_LOCKED))) << refused.err.toStdString();
        EXPECT_EQ(test::readFile(w.filePath("a.zip")), before);
    }

    // Two writers adding large files while readers test: both changes are in
    // or one writer was refused with the message; every reader saw a whole archive.
    for (const char *name : {"gros1.bin", "gros2.bin"})
        ASSERT_TRUE(test::writeFile(w.filePath(name), noise(8 << 20, name[4])));
    QProcess first;
    QProcess second;
    for (auto [p, name] : {std::pair{&first, "gros1.bin"}, std::pair{&second, "gros2.bin"}}) {
        p->setWorkingDirectory(w.path());
        p->start(Cli, {"add", "a.zip", name});
        ASSERT_TRUE(p->waitForStarted());
    }
    do {
        const Outcome reader = cli({"test", "a.zip"}, w.path());
        EXPECT_EQ(reader.status, 0) << reader.err.toStdString();
        QCoreApplication::processEvents();
    } while (first.state() != QProcess::NotRunning || second.state() != QProcess::NotRunning);
    first.waitForFinished();
    second.waitForFinished();
    QStringList names;
    for (const QString &line : cli({"list", "a.zip"}, w.path()).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        names << line.section(QLatin1Char('\t'), 3);
    names.sort();
    QStringList expected{"base.txt"}; // un.txt was refused above
    int refusedCount = 0;
    for (auto [p, name] : {std::pair{&first, "gros1.bin"}, std::pair{&second, "gros2.bin"}}) {
        if (p->exitCode() == 0) {
            expected << name;
        } else {
            ++refusedCount;
            const QString err = QString::fromUtf8(p->readAllStandardError());
            EXPECT_EQ(p->exitCode(), 2) << err.toStdString();
            EXPECT_TRUE(err.contains(errorLine(TOVO_ZIP_ERR_LOCKED))) << "[" << err.toStdString() << "]" << p->exitStatus() << " " << p->error();
        }
    }
    EXPECT_LE(refusedCount, 1);
    expected.sort();
    EXPECT_EQ(names.join(" "), expected.join(" "));
}

} // namespace
