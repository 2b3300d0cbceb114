#include "operations/tfindfile.h"

#include "platform/filesystem.h"

#include <algorithm>
#include <queue>
#include <set>

namespace tovo {
namespace {

const QChar Slash = QLatin1Char('/');

// A character compared without its case (ASCII without a table look-up).
inline char16_t folded(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return (u >= 'A' && u <= 'Z') ? char16_t(u + ('a' - 'A')) : u;
    return char16_t(QChar::toCaseFolded(char32_t(u)));
}

// Letters in either case first, so "b" sorts between "A" and "C"; then
// exactly, so two names differing only in case keep a fixed order and both
// stay (here they are two files).
bool lessPath(const QString &a, const QString &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t fa = folded(pa[i]);
        const char16_t fb = folded(pb[i]);
        if (fa != fb)
            return fa < fb;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// Whether name ends with suffix (already folded), letters in either case.
bool endsWithFolded(const QString &name, const QString &suffix)
{
    const qsizetype offset = name.size() - suffix.size();
    if (offset < 0)
        return false;
    const QChar *pn = name.constData() + offset;
    const QChar *ps = suffix.constData();
    for (qsizetype i = 0; i < suffix.size(); ++i) {
        if (folded(pn[i]) != ps[i].unicode())
            return false;
    }
    return true;
}

bool isHidden(const QString &name) { return name.startsWith(QLatin1Char('.')); }

} // namespace

FileMask::FileMask(const QString &mask)
{
    if (mask == QLatin1String("*.*") || mask == QLatin1String("*")) {
        m_all = true;
        return;
    }
    QString text = mask;
    for (QChar &c : text)
        c = QChar(folded(c));
    if (text.size() > 1 && text.front() == QLatin1Char('*') && !text.mid(1).contains(QLatin1Char('*')) &&
        !text.contains(QLatin1Char('?')) && !text.endsWith(QLatin1String(".*"))) {
        m_suffix = text.mid(1);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('*')) {
            if (m_steps.empty() || m_steps.back().token != Token::Star)
                m_steps.push_back({Token::Star, c});
        } else if (c == QLatin1Char('?')) {
            // "?"s followed only by "?"s up to the end or a dot may match nothing.
            qsizetype j = i;
            while (j < text.size() && text[j] == QLatin1Char('?'))
                ++j;
            const bool closing = j == text.size() || text[j] == QLatin1Char('.');
            m_steps.push_back({closing ? Token::OneOrNone : Token::One, c});
        } else if (c == QLatin1Char('.') && i + 2 == text.size() && text[i + 1] == QLatin1Char('*')) {
            m_steps.push_back({Token::DotAny, c});
            break;
        } else {
            m_steps.push_back({Token::Literal, c});
        }
    }
}

bool FileMask::matches(const QString &name) const
{
    if (m_all)
        return true;
    if (!m_suffix.isEmpty())
        return endsWithFolded(name, m_suffix);
    QString text = name;
    for (QChar &c : text)
        c = QChar(folded(c));
    const qsizetype n = text.size();
    // The positions of the name reachable after each step of the mask.
    std::vector<char> reach(static_cast<std::size_t>(n + 1), 0);
    std::vector<char> next(reach.size(), 0);
    reach[0] = 1;
    for (const Step &step : m_steps) {
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (qsizetype k = 0; k <= n; ++k) {
            if (!reach[static_cast<std::size_t>(k)])
                continue;
            const bool atEnd = k == n;
            switch (step.token) {
            case Token::Star:
                std::fill(next.begin() + k, next.end(), 1);
                k = n;
                break;
            case Token::One:
                if (!atEnd)
                    next[static_cast<std::size_t>(k + 1)] = 1;
                break;
            case Token::OneOrNone:
                if (!atEnd && text[k] != QLatin1Char('.'))
                    next[static_cast<std::size_t>(k + 1)] = 1;
                if (atEnd || text[k] == QLatin1Char('.'))
                    next[static_cast<std::size_t>(k)] = 1;
                break;
            case Token::DotAny:
                if (atEnd || text[k] == QLatin1Char('.'))
                    next[static_cast<std::size_t>(n)] = 1;
                break;
            case Token::Literal:
                if (!atEnd && text[k] == step.c)
                    next[static_cast<std::size_t>(k + 1)] = 1;
                break;
            }
        }
        reach.swap(next);
        for (char r : reach)
            any = any || r;
        if (!any)
            return false;
    }
    return reach[static_cast<std::size_t>(n)] != 0;
}

QStringList SplitMasks(const QString &filter)
{
    QStringList masks;
    for (const QString &part : filter.split(QLatin1Char(';'))) {
        const QString mask = part.trimmed();
        if (!mask.isEmpty())
            masks << mask;
    }
    return masks;
}

struct TFindFile::Pending {
    explicit Pending(bool sortedOrder) : sorted(sortedOrder) {}
    bool sorted;
    // Sorted: always hand out the alphabetically first; else first in, first out.
    std::priority_queue<QString, std::vector<QString>, bool (*)(const QString &, const QString &)> heap{
        [](const QString &a, const QString &b) { return lessPath(b, a); }};
    std::queue<QString> fifo;

    bool empty() const { return sorted ? heap.empty() : fifo.empty(); }
    void push(QString path) { sorted ? heap.push(std::move(path)) : fifo.push(std::move(path)); }
    QString take()
    {
        QString first = sorted ? heap.top() : fifo.front();
        sorted ? heap.pop() : fifo.pop();
        return first;
    }
};

void TFindFile::Execute()
{
    m_abort = false;
    m_visited.clear();
    Files.clear();
    if (BeforeExecute)
        BeforeExecute(this);
    m_masks.clear();
    for (const QString &mask : SplitMasks(Filter))
        m_masks.emplace_back(mask);
    if (!Directory.isEmpty()) {
        if (!Recurse) {
            searchDirectory(Directory, nullptr);
        } else {
            Pending pending(Sorted);
            pending.push(Directory);
            QStringList subDirectories;
            while (!pending.empty() && !m_abort) {
                subDirectories.clear();
                searchDirectory(pending.take(), &subDirectories);
                for (QString &sub : subDirectories)
                    pending.push(std::move(sub));
            }
        }
    }
    m_masks.clear();
    m_visited.clear();
    if (AfterExecute)
        AfterExecute(this);
}

void TFindFile::searchDirectory(const QString &directory, QStringList *subDirectories)
{
    const QString d = directory.endsWith(Slash) ? directory : directory + Slash;
    if (OnNewPath)
        OnNewPath(this, d, m_abort);
    if (m_abort)
        return;

    const bool readOnlyOut = StrictRO && !Attributes.testFlag(ffReadOnly);
    std::vector<platform::DirEntry> entries;
    platform::DirectoryId id;
    if (!platform::ListDirectory(d, entries, id, readOnlyOut))
        return;
    // A directory mounted inside itself would otherwise be searched forever.
    if (!m_visited.insert({id.device, id.inode}).second)
        return;

    const bool hiddenIn = Attributes.testFlag(ffHidden);
    const bool directoriesIn = Attributes.testFlag(ffDirectory);
    // The entries the attributes admit, each with the name it is listed by.
    std::vector<const QString *> names;
    std::vector<bool> isDirectoryEntry;
    for (const platform::DirEntry &e : entries) {
        const bool isDirectory = e.kind == platform::EntryKind::Directory;
        if (isDirectory && subDirectories)
            subDirectories->append(d + e.name);
        const bool isFile = e.kind == platform::EntryKind::File || e.kind == platform::EntryKind::LinkToFile;
        if (!isFile && !(isDirectory && directoriesIn))
            continue;
        if (isHidden(e.name) && !hiddenIn)
            continue;
        if (readOnlyOut && isFile && e.readOnly)
            continue;
        names.push_back(&e.name);
        isDirectoryEntry.push_back(isDirectory);
    }

    auto listed = [&](std::size_t i) { return isDirectoryEntry[i] ? *names[i] + Slash : *names[i]; };
    if (!Sorted) {
        for (const FileMask &mask : m_masks) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (mask.matches(*names[i]))
                    Files.append(d + listed(i));
            }
        }
        return;
    }
    // Each entry once, however many masks it matches; sorted by the part
    // after d, which all share.
    QStringList found;
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const FileMask &mask : m_masks) {
            if (mask.matches(*names[i])) {
                found.append(listed(i));
                break;
            }
        }
    }
    std::sort(found.begin(), found.end(), lessPath);
    for (const QString &name : std::as_const(found))
        Files.append(d + name);
}

} // namespace tovo
