#include "preview/textlineindex.h"

#include <algorithm>
#include <cstring>

namespace tovo {
namespace {

constexpr qint64 BlockSize = 1 << 20;
constexpr qint64 MinBlock = 8;
constexpr std::size_t CachedBlocks = 4;

// The 16-bit unit at p in the byte order of bigEndian.
char16_t unitAt(const char *p, bool bigEndian)
{
    const auto a = static_cast<unsigned char>(p[0]);
    const auto b = static_cast<unsigned char>(p[1]);
    return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
}

// Calls found(breakBegin, nextStart) for each line end in data[0, n), with
// offsets counted from base. A CR as the last character counts as a line end
// of its own: callers that may see an LF after it keep it for their next call.
template <typename Found> void forEachLineEnd(const LineUnits &units, const char *data, qsizetype n, qint64 base,
                                              Found found)
{
    if (units.width == 2) {
        for (qsizetype i = 0; i + 1 < n; i += 2) {
            const char16_t u = unitAt(data + i, units.bigEndian);
            if (u != u'\r' && u != u'\n')
                continue;
            const qsizetype last =
                (u == u'\r' && i + 3 < n && unitAt(data + i + 2, units.bigEndian) == u'\n') ? i + 2 : i;
            if (!found(base + i, base + last + 2))
                return;
            i = last;
        }
        return;
    }
    const char *p = data;
    const char *end = data + n;
    const char *cr = static_cast<const char *>(std::memchr(p, '\r', n));
    const char *lf = static_cast<const char *>(std::memchr(p, '\n', n));
    while (cr || lf) {
        const char *b = !cr ? lf : !lf ? cr : std::min(cr, lf);
        const char *last = (*b == '\r' && b + 1 < end && b[1] == '\n') ? b + 1 : b;
        if (!found(base + (b - data), base + (last - data) + 1))
            return;
        p = last + 1;
        if (cr && cr < p)
            cr = static_cast<const char *>(std::memchr(p, '\r', end - p));
        if (lf && lf < p)
            lf = static_cast<const char *>(std::memchr(p, '\n', end - p));
    }
}

// Where the first line end of data[0, n) starts; n when there is none.
qsizetype firstLineEnd(const LineUnits &units, const char *data, qsizetype n)
{
    qsizetype at = n;
    forEachLineEnd(units, data, n, 0, [&at](qint64 breakBegin, qint64) {
        at = qsizetype(breakBegin);
        return false;
    });
    return at;
}

// Whether the last character of data[0, n) is a CR.
bool endsWithCr(const LineUnits &units, const char *data, qsizetype n)
{
    if (units.width == 2)
        return n >= 2 && unitAt(data + n - 2, units.bigEndian) == u'\r';
    return n >= 1 && data[n - 1] == '\r';
}

} // namespace

bool TextLineIndex::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    m_size = m_file.size();
    // A UTF-16 text is read in units of two bytes from after its mark.
    char mark[2];
    if (m_file.read(mark, 2) == 2) {
        if (const std::optional<TextEncoding> utf16 = Utf16ByMark(QByteArrayView(mark, 2))) {
            m_utf16 = utf16;
            m_units = {2, *utf16 == TextEncoding::Utf16Be};
            m_indexed = m_lastStart = m_lastBreakEnd = 2;
        }
    }
    if (m_size > m_indexed) {
        m_lines = 1;
        m_checkpoints.push_back({0, m_indexed});
    }
    return true;
}

void TextLineIndex::close()
{
    m_file.close();
    m_buffer = QByteArray();
    m_size = m_indexed = m_lines = m_lastStart = m_lastBreakEnd = m_longest = m_longestLine = 0;
    m_utf8 = true;
    m_utf16.reset();
    m_units = {};
    m_checkpoints.clear();
    m_blocks.clear();
}

bool TextLineIndex::indexMore(qint64 maxBytes)
{
    qint64 budget = maxBytes;
    while (m_indexed < m_size && budget > 0) {
        // Blocks of at least MinBlock bytes, so a CR LF or a UTF-8 sequence
        // cut by the block end always leaves something to index.
        qint64 want = std::min<qint64>(std::clamp<qint64>(budget, MinBlock, BlockSize), m_size - m_indexed);
        if (m_units.width == 2 && want < m_size - m_indexed)
            want &= ~qint64(1); // whole units (at least four) until the end
        if (m_buffer.size() < want)
            m_buffer.resize(want);
        qint64 got = -1;
        if (m_file.seek(m_indexed))
            got = m_file.read(m_buffer.data(), want);
        if (got <= 0) {
            // The file became shorter or unreadable: what was read is all.
            m_size = m_indexed;
            break;
        }
        const bool atEnd = m_indexed + got >= m_size;
        qsizetype usable = got;
        // A CR at the end of a block may start a CR LF: leave it for the next.
        if (!atEnd && endsWithCr(m_units, m_buffer.constData(), usable))
            usable -= m_units.width;
        if (m_utf8 && !m_utf16) {
            const Utf8Check check = CheckUtf8(QByteArrayView(m_buffer.constData(), usable), atEnd && usable == got);
            if (!check.valid)
                m_utf8 = false;
            else if (check.consumed > 0)
                usable = check.consumed; // a sequence cut by the block end is read again with the next
        }
        scanBlock(m_buffer.constData(), usable, m_indexed);
        m_indexed += usable;
        budget -= usable;
    }
    if (finished()) {
        if (m_lines > 0 && m_lastBreakEnd != m_size)
            noteLength(m_size - m_lastStart);
        m_buffer = QByteArray();
    }
    return finished();
}

void TextLineIndex::scanBlock(const char *data, qsizetype n, qint64 base)
{
    forEachLineEnd(m_units, data, n, base, [this](qint64 breakBegin, qint64 next) {
        noteLength(breakBegin - m_lastStart);
        m_lastBreakEnd = next;
        if (next < m_size)
            lineStartsAt(next);
        return true;
    });
}

void TextLineIndex::noteLength(qint64 length)
{
    if (length > m_longest) {
        m_longest = length;
        m_longestLine = m_lines - 1;
    }
}

void TextLineIndex::lineStartsAt(qint64 offset)
{
    const qint64 line = m_lines++;
    m_lastStart = offset;
    const Checkpoint &last = m_checkpoints.back();
    if (line - last.line >= CheckpointLines || offset - last.offset >= CheckpointBytes)
        m_checkpoints.push_back({line, offset});
}

const TextLineIndex::BlockStarts &TextLineIndex::blockStarts(std::size_t checkpoint) const
{
    ++m_clock;
    const qint64 wanted = (checkpoint + 1 < m_checkpoints.size() ? m_checkpoints[checkpoint + 1].line : m_lines) -
                          m_checkpoints[checkpoint].line - 1;
    auto found = std::find_if(m_blocks.begin(), m_blocks.end(),
                              [&](const BlockStarts &b) { return b.checkpoint == checkpoint; });
    if (found != m_blocks.end() && qint64(found->starts.size()) >= wanted) {
        found->used = m_clock;
        return *found;
    }
    if (found == m_blocks.end()) {
        if (m_blocks.size() < CachedBlocks)
            found = m_blocks.emplace(m_blocks.end());
        else
            found = std::min_element(m_blocks.begin(), m_blocks.end(),
                                     [](const BlockStarts &a, const BlockStarts &b) { return a.used < b.used; });
    }
    found->checkpoint = checkpoint;
    found->used = m_clock;
    found->starts.clear();

    // Every line start of the block but the first lies less than
    // CheckpointBytes after the checkpoint, and the line end before it is
    // decided by the bytes up to there (one more character for a CR LF).
    const qint64 from = m_checkpoints[checkpoint].offset;
    const qint64 length = std::min(CheckpointBytes + m_units.width, m_size - from);
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 got = -1;
    if (m_file.seek(from))
        got = m_file.read(bytes.data(), length);
    if (got > 0) {
        forEachLineEnd(m_units, bytes.constData(), got, from, [&](qint64, qint64 next) {
            if (next >= m_size || next - from >= CheckpointBytes || qint64(found->starts.size()) >= wanted)
                return false;
            found->starts.push_back(next);
            return true;
        });
    }
    return *found;
}

qint64 TextLineIndex::lineStart(qint64 n) const
{
    const auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), n,
                                        [](qint64 line, const Checkpoint &c) { return line < c.line; });
    const std::size_t checkpoint = std::size_t(after - m_checkpoints.begin()) - 1;
    const Checkpoint &c = m_checkpoints[checkpoint];
    if (c.line == n)
        return c.offset;
    const std::vector<qint64> &starts = blockStarts(checkpoint).starts;
    const std::size_t k = std::size_t(n - c.line - 1);
    return k < starts.size() ? starts[k] : (starts.empty() ? c.offset : starts.back());
}

QByteArray TextLineIndex::line(qint64 n, qsizetype maxBytes, bool *truncated) const
{
    if (truncated)
        *truncated = false;
    if (n < 0 || n >= m_lines)
        return {};
    const qint64 start = lineStart(n);
    if (m_units.width == 2)
        maxBytes &= ~qsizetype(1);
    const qint64 length = std::min<qint64>(qint64(maxBytes) + 1, m_size - start);
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 got = -1;
    if (m_file.seek(start))
        got = m_file.read(bytes.data(), length);
    if (got <= 0)
        return {};
    bytes.truncate(got);
    if (const qsizetype end = firstLineEnd(m_units, bytes.constData(), bytes.size()); end < bytes.size()) {
        bytes.truncate(end);
        return bytes;
    }
    if (bytes.size() > maxBytes) {
        bytes.truncate(maxBytes);
        if (truncated)
            *truncated = true;
    }
    return bytes;
}

} // namespace tovo
