#include "cli/clisession.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "browse/displayname.h"
#include "cli/terminal.h"
#include "engine/tzipengine.h"
#include "engine/zipevents.h"
#include "shell/labeltable.h"

namespace tovo {

QString EscapedName(const QString &name) { return EscapedEntryName(name, true); }

namespace {

constexpr char Hex[] = "0123456789abcdef";

// The UTF-8 of name escaped as EscapedName does, appended to out. False (out
// unchanged) when name holds a surrogate: that rare name takes the Qt way.
bool appendEscapedUtf8(std::string &out, QStringView name)
{
    const std::size_t start = out.size();
    for (const QChar qc : name) {
        const char16_t u = qc.unicode();
        if (u >= 0x20 && u < 0x7F && u != u'\\') {
            out += char(u);
        } else if (u == u'\\') {
            out += "\\\\";
        } else if (u == u'\n') {
            out += "\\n";
        } else if (u == u'\r') {
            out += "\\r";
        } else if (u == u'\t') {
            out += "\\t";
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            out += "\\x";
            out += Hex[u >> 4];
            out += Hex[u & 0xF];
        } else if (u == 0x2028 || u == 0x2029 || u == 0x061C || u == 0x200E || u == 0x200F ||
                   (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += Hex[(u >> shift) & 0xF];
        } else if (u < 0x800) {
            out += char(0xC0 | (u >> 6));
            out += char(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            out.resize(start);
            return false;
        } else {
            out += char(0xE0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3F));
            out += char(0x80 | (u & 0x3F));
        }
    }
    return true;
}

} // namespace

void AppendListingLine(std::string &out, qint64 size, qint64 compressedSize, std::string_view date, const QString &name)
{
    // Written once per entry: formatted by hand into one byte buffer, no
    // string of Qt's built per line.
    char numbers[48];
    char *p = std::to_chars(numbers, numbers + 24, size).ptr;
    *p++ = '\t';
    p = std::to_chars(p, numbers + sizeof numbers, compressedSize).ptr;
    *p++ = '\t';
    out.append(numbers, std::size_t(p - numbers));
    out += date;
    out += '\t';
    if (!appendEscapedUtf8(out, name)) {
        const QByteArray escaped = EscapedName(name).toUtf8();
        out.append(escaped.constData(), std::size_t(escaped.size()));
    }
    out += '\n';
}

std::string ListingDate(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return std::string();
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    char text[32];
    char *p = text;
    auto number = [&](int value, int width) {
        char digits[16];
        const char *last = std::to_chars(digits, digits + sizeof digits, value).ptr;
        for (auto n = last - digits; n < width; ++n)
            *p++ = '0';
        p = std::copy<const char *>(digits, last, p);
    };
    number(d.year(), 4);
    *p++ = '-';
    number(d.month(), 2);
    *p++ = '-';
    number(d.day(), 2);
    *p++ = ' ';
    number(t.hour(), 2);
    *p++ = ':';
    number(t.minute(), 2);
    *p++ = ':';
    number(t.second(), 2);
    return std::string(text, std::size_t(p - text));
}

QString ListingLine(qint64 size, qint64 compressedSize, const QDateTime &dateTime, const QString &name)
{
    std::string line;
    AppendListingLine(line, size, compressedSize, ListingDate(dateTime), name);
    return QString::fromStdString(line);
}

std::string_view ListingDates::text(const TZipFileStats &stats)
{
    // The date is made from the DOS value alone, so its text is too: the
    // entries of an archive share few of them.
    Slot &slot = m_slots[(stats.DosDateTime ^ (stats.DosDateTime >> 16)) % m_slots.size()];
    if (!slot.used || slot.dos != stats.DosDateTime) {
        slot.text = ListingDate(stats.DateTime);
        slot.dos = stats.DosDateTime;
        slot.used = true;
    }
    return slot.text;
}

CliSession::CliSession(TZipEngine &engine, const CliRequest &request) : m_engine(engine)
{
    engine.OnListing = [this](TZipEngine *, const TZipFileStats &s) {
        AppendListingLine(m_listing, s.Size, s.CompressedSize, m_dates.text(s), s.FileName);
        if (m_listing.size() >= ListingFlushSize)
            flushListing();
    };

    if (!request.passwordGiven && StdinIsTerminal()) {
        // The password typed once answers the later queries of the run.
        engine.OnPwdQuery = [this](TZipEngine *e, TZipPwdQuery &query) {
            clearProgress();
            const auto typed = AskOnTerminal(
                QStringLiteral("%1 [ %2 ] : ").arg(DisplayText(GetLabel(6)), EscapedName(query.FileName)), false);
            if (!typed)
                return;
            query.Password = *typed;
            e->Password = *typed;
        };
    }

    if (request.settings.Overwrite == xowAsk) {
        // Without a terminal to ask on, an existing file is kept.
        engine.OnReplace = [this](TZipEngine *, TZipReplace &replace) {
            clearProgress();
            const QString question =
                QStringLiteral("%1\n[ %2 ] (o/n) ").arg(DisplayText(GetLabel(145)), EscapedName(replace.FileName));
            const auto answer = AskOnTerminal(question, true);
            replace.Action = answer && answer->trimmed().startsWith(QLatin1Char('o'), Qt::CaseInsensitive) ? 1 : 0;
        };
    }

    if (!StderrIsTerminal())
        return;
    engine.OnExtracting = [this](TZipEngine *, const TZipFileStats &s) {
        progress(QStringLiteral("Extraction"), s.FileName);
    };
    engine.OnTesting = [this](TZipEngine *, const TZipFileStats &s) { progress(QStringLiteral("Test"), s.FileName); };
    engine.OnAdding = [this](TZipEngine *, const TZipFileStats &s) { progress(QStringLiteral("Ajout"), s.FileName); };
    engine.OnUpdating = [this](TZipEngine *, const TZipFileStats &s) {
        progress(QStringLiteral("Mise \u00e0 jour"), s.FileName);
    };
    engine.OnDeleting = [this](TZipEngine *, const QString &name) { progress(QStringLiteral("Suppression"), name); };
    engine.OnFixing = [this](TZipEngine *, const QString &name) { progress(QStringLiteral("R\u00e9paration"), name); };
    engine.OnStatus = [this](TZipEngine *, const TZipFileStats &s) {
        const int percent = s.Size > 0 ? int(std::clamp(double(s.BytesDone) * 100 / double(s.Size), 0.0, 100.0)) : 100;
        progress(QString(), s.FileName, QStringLiteral("%1 %").arg(percent));
    };
}

CliSession::~CliSession()
{
    flushListing();
    clearProgress();
    m_engine.OnListing = nullptr;
    m_engine.OnPwdQuery = nullptr;
    m_engine.OnReplace = nullptr;
    m_engine.OnExtracting = nullptr;
    m_engine.OnTesting = nullptr;
    m_engine.OnAdding = nullptr;
    m_engine.OnUpdating = nullptr;
    m_engine.OnDeleting = nullptr;
    m_engine.OnFixing = nullptr;
    m_engine.OnStatus = nullptr;
}

void CliSession::flushListing()
{
    std::fwrite(m_listing.data(), 1, m_listing.size(), stdout);
    m_listing.clear();
}

void CliSession::clearProgress()
{
    if (m_progressShown)
        WriteErr(QStringLiteral("\r\x1b[K"));
    m_progressShown = false;
}

void CliSession::progress(const QString &verb, const QString &name, const QString &detail)
{
    // A few refreshes a second are enough to read; more would slow long runs.
    if (m_progressShown && m_lastProgress.isValid() && m_lastProgress.elapsed() < 100)
        return;
    m_lastProgress.start();
    // One line, rewritten in place; long names keep their end.
    const QString escaped = EscapedName(name);
    QString shown = escaped.size() > 60 ? QStringLiteral("\u2026") + escaped.right(59) : escaped;
    QString line = verb.isEmpty() ? shown : verb + QLatin1Char(' ') + shown;
    if (!detail.isEmpty())
        line += QLatin1Char(' ') + detail;
    WriteErr(QStringLiteral("\r\x1b[K") + line);
    m_progressShown = true;
}

} // namespace tovo
