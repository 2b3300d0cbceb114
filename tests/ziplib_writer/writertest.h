// What the writing module's tests share: a folder to work in, files with
// chosen dates, the engine on the real modules with every event recorded,
// and independent tools to read back what was written.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <utility>

#include "engine/tzipengine.h"
#include "engine/qtprint.h"
#include "support/testfiles.h"
#include "ziplib/zipbuilder.h"

namespace tovo::test {

// A scratch folder. Paths are relative to it.
class Workspace {
public:
    QString path(const QString &name = QString()) const { return name.isEmpty() ? m_dir.path() : m_dir.filePath(name); }

    // Writes a file (creating its folders) with the given modification time
    // (seconds since 1970), or now.
    void file(const QString &name, const QByteArray &bytes, std::time_t mtime = 0) const
    {
        const QString full = path(name);
        QDir().mkpath(QFileInfo(full).path());
        ASSERT_TRUE(writeFile(full, bytes)) << name.toStdString();
        if (mtime)
            setMtime(name, mtime);
    }
    void setMtime(const QString &name, std::time_t mtime) const
    {
        const timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path(name)).constData(), times, 0), 0);
    }
    QByteArray read(const QString &name) const { return readFile(path(name)); }
    bool exists(const QString &name) const { return QFileInfo::exists(path(name)); }

    // Files, links and folders (with a final "/") below dir, sorted.
    QStringList tree(const QString &dir) const
    {
        QStringList out;
        QDirIterator it(path(dir), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            out << QDir(path()).relativeFilePath(info.filePath()) +
                       (info.isDir() && !info.isSymLink() ? QStringLiteral("/") : QString());
        }
        out.sort();
        return out;
    }

    // Files other than those named, for leftovers of a failed run.
    QStringList strayFiles(const QStringList &expected) const
    {
        QStringList stray;
        QDirIterator it(path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString rel = QDir(path()).relativeFilePath(it.next());
            if (!expected.contains(rel))
                stray << rel;
        }
        return stray;
    }

private:
    QTemporaryDir m_dir;
};

// A run of an external program.
struct ToolRun {
    int exitCode = -1;
    QByteArray out;
};

inline ToolRun runTool(const QString &program, const QStringList &args, const QString &workDir,
                       const std::function<void()> &childSetup = {})
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

// What Python's zipfile reads from an archive (see zipcheck.py).
struct PeerView {
    QString error;      // the archive could not be opened
    QString bad;        // the first entry whose data did not read back
    QJsonArray entries; // name, size, method, flags, mode, date
    QStringList intact; // the entries whose data read back with their CRC
    QByteArray content; // with a content name

    QStringList names() const
    {
        QStringList out;
        for (const auto &e : entries)
            out << e.toObject().value(QStringLiteral("name")).toString();
        return out;
    }
    QJsonObject entry(const QString &name) const
    {
        for (const auto &e : entries) {
            if (e.toObject().value(QStringLiteral("name")).toString() == name)
                return e.toObject();
        }
        return {};
    }
};

inline PeerView readWithPython(const QString &archive, const QString &password = QString(),
                               const QString &contentOf = QString())
{
    QStringList args{QStringLiteral(TOVO_WRITER_TEST_DIR "/zipcheck.py"), archive};
    if (!password.isEmpty())
        args << password;
    if (!contentOf.isEmpty())
        args << QStringLiteral("--content") << contentOf;
    const ToolRun run = runTool(QStringLiteral("python3"), args, QDir::tempPath());
    PeerView view;
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    if (o.isEmpty()) {
        view.error = QString::fromUtf8(run.out);
        return view;
    }
    view.error = o.value(QStringLiteral("error")).toString();
    view.bad = o.value(QStringLiteral("bad")).toString();
    view.entries = o.value(QStringLiteral("entries")).toArray();
    for (const auto &name : o.value(QStringLiteral("intact")).toArray())
        view.intact << name.toString();
    view.content = QByteArray::fromBase64(o.value(QStringLiteral("content")).toString().toLatin1());
    return view;
}

// The engine on the modules of this build, recording every event.
class RecordingEngine {
public:
    RecordingEngine()
    {
        engine.SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
        engine.OnAdding = [this](TZipEngine *, const TZipFileStats &s) { added << s.FileName; };
        engine.OnUpdating = [this](TZipEngine *, const TZipFileStats &s) { updated << s.FileName; };
        engine.OnDeleting = [this](TZipEngine *, const QString &name) { deleted << name; };
        engine.OnFixing = [this](TZipEngine *, const QString &name) { fixed << name; };
        engine.OnSkippingFile = [this](TZipEngine *, const TZipSkipping &s) {
            skipped << QStringLiteral("%1:%2").arg(s.FileName).arg(s.Reason);
        };
        engine.OnStatus = [this](TZipEngine *, const TZipFileStats &s) { status << s; };
    }

    void clear()
    {
        added.clear();
        updated.clear();
        deleted.clear();
        fixed.clear();
        skipped.clear();
        status.clear();
    }

    TZipEngine engine;
    QStringList added;
    QStringList updated;
    QStringList deleted;
    QStringList fixed;
    QStringList skipped; // "name:reason"
    QList<TZipFileStats> status;
};

// One add command: its mode, its file specifications, settings on top of
// the defaults.
struct Command {
    TZipAddMode mode = xamAdd;
    QStringList files;
    std::function<void(TZipEngine &)> setup = nullptr;
};

// Runs an add (or, with remove, a delete of c.files) on r's engine with fresh
// settings and dir as the current directory (the engine's file patterns are
// relative to it, as the GUI arranges).
inline int add(RecordingEngine &r, const QString &dir, const QString &archive, const Command &c, bool remove = false)
{
    r.clear();
    static_cast<ZipSettings &>(r.engine) = ZipSettings();
    r.engine.ZipFileName = archive;
    r.engine.FilesToProcess = c.files;
    if (c.setup)
        c.setup(r.engine);
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir);
    const int code = remove ? r.engine.Delete() : r.engine.Add(c.mode);
    QDir::setCurrent(before);
    return code;
}

inline QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Runs tovo-cli of this build.
inline ToolRun runCli(const QStringList &args, const QString &workDir, const std::function<void()> &childSetup = {})
{
    return runTool(QStringLiteral(TOVO_BIN_DIR "/tovo-cli"), args, workDir, childSetup);
}

// In a child process: files may grow to at most limit bytes, and going past
// it fails the write (EFBIG) instead of killing the process, as a full disk
// would.
inline std::function<void()> fileSizeLimit(rlim_t limit)
{
    return [limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
    };
}

// While alive, the modules run every task on the calling thread: a file is
// then read at its turn, not ahead of it.
class OneThread {
public:
    OneThread() { qputenv("TOVO_ZIP_THREADS", "1"); }
    ~OneThread() { qunsetenv("TOVO_ZIP_THREADS"); }
    OneThread(const OneThread &) = delete;
    OneThread &operator=(const OneThread &) = delete;
};

} // namespace tovo::test
