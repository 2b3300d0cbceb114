#include "platform/desktopfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>
#include <functional>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovo::platform {
namespace {

// Characters that make an Exec argument need quotes, and those that must be
// escaped inside the quotes.
const QString ReservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString EscapedInQuotes = QStringLiteral("\"`$\\");

// The escapes of a string value in a desktop entry.
QString escapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char(' ') && i == 0)
            out += QLatin1String("\\s");
        else
            out += c;
    }
    return out;
}

// Runs a desktop tool when it is installed, its output discarded. Returns
// whether it ran and succeeded; callers only use it as a courtesy.
bool runTool(const QString &tool, const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += n;
    }
    return 0;
}

// Reads a whole file; a missing one reads as empty.
int readFile(const QString &path, QByteArray &out)
{
    out.clear();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? 0 : errno;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return code;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return code;
        }
        if (n == 0)
            break;
        out.append(buffer, n);
    }
    ::close(fd);
    return 0;
}

// A key file seen as lines, each kept byte for byte with its line end.
class KeyFileLines {
public:
    explicit KeyFileLines(const QByteArray &text)
    {
        m_eol = text.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
        qsizetype start = 0;
        while (start < text.size()) {
            const qsizetype end = text.indexOf('\n', start);
            const qsizetype next = end < 0 ? text.size() : end + 1;
            m_lines << text.mid(start, next - start);
            start = next;
        }
    }

    QByteArray text() const { return m_lines.join(); }

    // Sets key in the first group of that name to what change makes of its
    // current value (null when the key is missing); change returning nothing
    // removes the key, or adds nothing. A missing group is added at the end.
    using Change = std::function<std::optional<QByteArray>(const QByteArray *current)>;
    void setKey(const QByteArray &group, const QByteArray &key, const Change &change)
    {
        const QByteArray header = '[' + group + ']';
        qsizetype groupLine = -1;
        for (qsizetype i = 0; i < m_lines.size() && groupLine < 0; ++i) {
            if (m_lines[i].trimmed() == header)
                groupLine = i;
        }
        if (groupLine < 0) {
            const std::optional<QByteArray> value = change(nullptr);
            if (!value)
                return;
            if (!m_lines.isEmpty() && !m_lines.last().endsWith('\n'))
                m_lines.last() += m_eol;
            if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
                m_lines << m_eol;
            m_lines << header + m_eol << key + '=' + *value + m_eol;
            return;
        }
        qsizetype lastFilled = groupLine;
        for (qsizetype i = groupLine + 1; i < m_lines.size(); ++i) {
            const QByteArray line = m_lines[i].trimmed();
            if (line.startsWith('['))
                break;
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            lastFilled = i;
            const qsizetype equals = line.indexOf('=');
            if (equals < 0 || line.left(equals).trimmed() != key)
                continue;
            const QByteArray current = line.mid(equals + 1).trimmed();
            const std::optional<QByteArray> value = change(&current);
            if (value && *value == current)
                return; // unchanged: the line stays byte for byte
            if (value)
                m_lines[i] = key + '=' + *value + eolOf(m_lines[i]);
            else
                m_lines.removeAt(i);
            return;
        }
        const std::optional<QByteArray> value = change(nullptr);
        if (!value)
            return;
        if (!m_lines[lastFilled].endsWith('\n'))
            m_lines[lastFilled] += m_eol;
        m_lines.insert(lastFilled + 1, key + '=' + *value + m_eol);
    }

private:
    QByteArray eolOf(const QByteArray &line) const
    {
        return line.endsWith("\r\n") ? QByteArrayLiteral("\r\n") : line.endsWith('\n') ? QByteArrayLiteral("\n")
                                                                                         : m_eol;
    }

    QList<QByteArray> m_lines;
    QByteArray m_eol;
};

QList<QByteArray> listItems(const QByteArray &value)
{
    QList<QByteArray> items;
    for (const QByteArray &item : value.split(';')) {
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    }
    return items;
}

QByteArray joinList(const QList<QByteArray> &items)
{
    QByteArray out;
    for (const QByteArray &item : items)
        out += item + ';';
    return out;
}

} // namespace

QString SystemErrorText(int code)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may not be in buffer.
    return QString::fromLocal8Bit(::strerror_r(code, buffer, sizeof buffer));
}

QString QuoteExecArgument(const QString &argument)
{
    QString arg = argument;
    arg.replace(QLatin1Char('%'), QLatin1String("%%"));
    bool reserved = arg.isEmpty();
    for (const QChar c : arg)
        reserved = reserved || ReservedInExec.contains(c);
    if (!reserved)
        return arg;
    QString quoted(QLatin1Char('"'));
    for (const QChar c : arg) {
        if (EscapedInQuotes.contains(c))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QByteArray RenderDesktopEntry(const DesktopEntry &entry)
{
    QString exec = QuoteExecArgument(entry.program);
    if (!entry.arguments.isEmpty())
        exec += QLatin1Char(' ') + entry.arguments;
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    const auto add = [&text](const char *key, const QString &value) {
        if (!value.isEmpty())
            text += QLatin1String(key) + QLatin1Char('=') + escapeValue(value) + QLatin1Char('\n');
    };
    add("Name", entry.name);
    add("Comment", entry.comment);
    add("Exec", exec);
    add("Path", entry.workingDirectory);
    add("Icon", entry.icon);
    text += QLatin1String("Terminal=false\n");
    add("Categories", entry.categories);
    add("MimeType", entry.mimeTypes);
    return text.toUtf8();
}

int MakePath(const QString &dir)
{
    const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
        path += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(path);
        if (::mkdir(native.constData(), 0777) == 0)
            continue;
        const int code = errno;
        struct stat st;
        if (code == EEXIST && ::stat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return ENOTDIR;
            continue;
        }
        return code;
    }
    return 0;
}

int ReplaceFile(const QString &path, const QByteArray &bytes, unsigned mode)
{
    QByteArray target = QFile::encodeName(path);
    struct stat st;
    bool exists = ::lstat(target.constData(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(target.constData(), resolved))
            return errno;
        target = resolved;
        exists = ::stat(target.constData(), &st) == 0;
    }
    if (exists && S_ISDIR(st.st_mode))
        return EISDIR;

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray dir = slash < 0 ? QByteArrayLiteral(".") : target.left(qMax<qsizetype>(slash, 1));
    const QByteArray base = target.mid(slash + 1);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = dir + "/." + base + ".tovo-" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : mode);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;

    int code = writeAll(fd, bytes);
    if (code == 0 && exists) {
        // Keep the owner (when allowed) and the permissions of the old file.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Not ours to give away; the new file stays the user's.
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            code = errno;
    }
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temp.constData(), target.constData()) != 0)
        code = errno;
    if (code != 0)
        ::unlink(temp.constData());
    return code;
}

int MakeExecutable(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return errno;
    const mode_t readable = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    if (::chmod(native.constData(), (st.st_mode | (readable >> 2)) & 07777) != 0)
        return errno;
    return 0;
}

std::optional<QByteArray> WithDefaultHandler(const QByteArray &mimeapps, const QString &mimeType,
                                             const QString &desktopId)
{
    if (mimeapps.contains('\0'))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder only runs when its result becomes a QString.
    if (const QString decoded = utf8.decode(mimeapps); utf8.hasError())
        return std::nullopt;

    const QByteArray key = mimeType.toUtf8();
    const QByteArray id = desktopId.toUtf8();
    KeyFileLines lines(mimeapps);
    lines.setKey("Default Applications", key, [&id](const QByteArray *) { return id; });
    lines.setKey("Added Associations", key, [&id](const QByteArray *current) {
        QList<QByteArray> items = current ? listItems(*current) : QList<QByteArray>();
        items.removeAll(id);
        items.prepend(id);
        return std::optional<QByteArray>(joinList(items));
    });
    // An earlier "remove this application" for the type would hide it again.
    lines.setKey("Removed Associations", key, [&id](const QByteArray *current) -> std::optional<QByteArray> {
        if (!current)
            return std::nullopt;
        QList<QByteArray> items = listItems(*current);
        if (!items.contains(id))
            return *current;
        items.removeAll(id);
        if (items.isEmpty())
            return std::nullopt;
        return joinList(items);
    });
    return lines.text();
}

int MakeDefaultHandler(const QString &mimeappsPath, const QString &mimeType, const QString &desktopId)
{
    QByteArray text;
    if (const int code = readFile(mimeappsPath, text))
        return code;
    const std::optional<QByteArray> changed = WithDefaultHandler(text, mimeType, desktopId);
    if (!changed)
        return EILSEQ;
    if (const int code = MakePath(QFileInfo(mimeappsPath).absolutePath()))
        return code;
    return ReplaceFile(mimeappsPath, *changed);
}

QString UserApplicationsDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
}

QString UserMimeAppsList()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mimeapps.list");
}

QString UserDesktopDir() { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

void RefreshDesktopDatabase(const QString &applicationsDir)
{
    runTool(QStringLiteral("update-desktop-database"), {applicationsDir});
}

void MarkLauncherTrusted(const QString &path)
{
    runTool(QStringLiteral("gio"), {QStringLiteral("set"), path, QStringLiteral("metadata::trusted"),
                                    QStringLiteral("true")});
}

} // namespace tovo::platform
