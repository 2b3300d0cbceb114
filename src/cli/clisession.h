#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include "cli/clirequest.h"

namespace tovo {

class TZipEngine;
struct TZipFileStats;

// The date column of the listing for each DOS date-time met, kept in a small
// table instead of being formatted again for every entry.
class ListingDates {
public:
    std::string_view text(const TZipFileStats &stats);

private:
    struct Slot {
        std::uint32_t dos = 0;
        bool used = false;
        std::string text;
    };
    std::array<Slot, 256> m_slots;
};

// Binds tovo-cli's handlers to the engine for one request: the listing on
// standard output, the questions on the terminal, and a progress line on
// standard error when it is a terminal.
class CliSession {
public:
    CliSession(TZipEngine &engine, const CliRequest &request);
    ~CliSession();
    CliSession(const CliSession &) = delete;
    CliSession &operator=(const CliSession &) = delete;

private:
    // Listing lines are gathered and written in blocks of about this size.
    static constexpr std::size_t ListingFlushSize = 64 * 1024;

    void flushListing();
    void clearProgress();
    void progress(const QString &verb, const QString &name, const QString &detail = QString());

    TZipEngine &m_engine;
    bool m_progressShown = false;
    QElapsedTimer m_lastProgress;
    std::string m_listing;
    ListingDates m_dates;
};

// A stored name as tovo-cli prints it: one line whatever it holds, and no
// character that a terminal takes as a command. A backslash becomes "\\";
// line feed, carriage return and tab become "\n", "\r" and "\t"; every
// other control character (U+0000-U+001F, U+007F, U+0080-U+009F) becomes
// "\x" and two hexadecimal digits; the Unicode line and paragraph
// separators and the characters that steer text direction become "\u" and
// four digits ("\u2028", "\u202e"). Everything else is printed as stored,
// so the form reads back unambiguously.
QString EscapedName(const QString &name);

// One line of the listing: sizes, date and stored name (escaped), separated
// by tabs.
QString ListingLine(qint64 size, qint64 compressedSize, const QDateTime &dateTime, const QString &name);
// The same line as UTF-8 appended to out, with the date column given as text
// (ListingDate).
void AppendListingLine(std::string &out, qint64 size, qint64 compressedSize, std::string_view date, const QString &name);
// The date column: "yyyy-MM-dd hh:mm:ss", or nothing for an invalid date.
std::string ListingDate(const QDateTime &dateTime);

} // namespace tovo
