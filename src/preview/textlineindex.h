#pragma once

#include "preview/textdecoding.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovo {

// The width of a text's characters for finding its line ends: single bytes,
// or 16-bit units in the given byte order.
struct LineUnits {
    int width = 1;
    bool bigEndian = false;
};

// Where the lines of a text file start, found in one pass over the file in
// blocks, so that a file of hundreds of megabytes (or a binary without a
// single line end) is shown line by line without being held in memory.
//
// Lines end at LF, CR LF or a lone CR; a line end at the very end of the file
// adds no empty line. Only some line starts are kept (a checkpoint every 256
// lines, and at the first line starting 64 KiB or more after the previous
// checkpoint); the others are found again from the nearest checkpoint when a
// line is read. A file that starts with a UTF-16 byte-order mark is read in
// 16-bit units, its first line starting after the mark; for any other, the
// pass also tells whether every byte so far is valid UTF-8.
class TextLineIndex {
public:
    static constexpr qint64 CheckpointLines = 256;
    static constexpr qint64 CheckpointBytes = 64 * 1024;

    TextLineIndex() = default;
    TextLineIndex(const TextLineIndex &) = delete;
    TextLineIndex &operator=(const TextLineIndex &) = delete;

    // Opens path for indexing; false when it cannot be opened.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }

    // Indexes at least maxBytes more bytes (less at the end of the file).
    // Returns whether the whole file is indexed.
    bool indexMore(qint64 maxBytes);
    bool finished() const { return m_indexed >= m_size; }

    qint64 lineCount() const { return m_lines; }
    qint64 fileSize() const { return m_size; }
    qint64 indexedBytes() const { return m_indexed; }
    // Length in bytes of the longest line indexed so far, and its number.
    qint64 longestLine() const { return m_longest; }
    qint64 longestLineNumber() const { return m_longestLine; }
    // UTF-16 by its mark; else Utf8 while every byte indexed so far is valid UTF-8.
    TextEncoding encoding() const
    {
        return m_utf16 ? *m_utf16 : m_utf8 ? TextEncoding::Utf8 : TextEncoding::Cp1252;
    }

    // The bytes of line n (0 for the first) without its line end, at most
    // maxBytes of them; truncated says whether the line goes on beyond.
    QByteArray line(qint64 n, qsizetype maxBytes, bool *truncated = nullptr) const;

private:
    struct Checkpoint {
        qint64 line;
        qint64 offset;
    };
    // The line starts after a checkpoint, up to the next one, as found so far.
    struct BlockStarts {
        std::size_t checkpoint = SIZE_MAX;
        std::vector<qint64> starts;
        std::uint64_t used = 0;
    };

    void scanBlock(const char *data, qsizetype n, qint64 base);
    void noteLength(qint64 length);
    void lineStartsAt(qint64 offset);
    qint64 lineStart(qint64 n) const;
    const BlockStarts &blockStarts(std::size_t checkpoint) const;

    mutable QFile m_file;
    QByteArray m_buffer;
    qint64 m_size = 0;
    qint64 m_indexed = 0;
    qint64 m_lines = 0;
    qint64 m_lastStart = 0;
    qint64 m_lastBreakEnd = 0;
    qint64 m_longest = 0;
    qint64 m_longestLine = 0;
    bool m_utf8 = true;
    std::optional<TextEncoding> m_utf16;
    LineUnits m_units;
    std::vector<Checkpoint> m_checkpoints;
    mutable std::vector<BlockStarts> m_blocks;
    mutable std::uint64_t m_clock = 0;
};

} // namespace tovo
