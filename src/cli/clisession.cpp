#include "cli/clisession.h"

#include <algorithm>
#include <charconv>

#include "browse/displayname.h"
#include "cli/terminal.h"
#include "engine/tzipengine.h"
#include "shell/labeltable.h"

namespace tovo {

QString EscapedName(const QString &name) { return EscapedEntryName(name, true); }

QString ListingLine(qint64 size, qint64 compressedSize, const QDateTime &dateTime, const QString &name)
{
    // Written once per entry: formatted by hand, a format string parsed
    // per line cost more than the rest of the listing.
    char head[96];
    char *p = head;
    char *const end = head + sizeof head;
    auto number = [&](qint64 value, int width) {
        char digits[24];
        const auto [last, ec] = std::to_chars(digits, digits + sizeof digits, value);
        for (auto n = last - digits; n < width; ++n)
            *p++ = '0';
        p = std::copy(digits, last, p);
    };
    number(size, 0);
    *p++ = '\t';
    number(compressedSize, 0);
    *p++ = '\t';
    if (dateTime.isValid()) {
        const QDate d = dateTime.date();
        const QTime t = dateTime.time();
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
    }
    *p++ = '\t';
    Q_ASSERT(p < end);
    QString line = QString::fromLatin1(head, p - head);
    line += EscapedName(name);
    line += QLatin1Char('\n');
    return line;
}

CliSession::CliSession(TZipEngine &engine, const CliRequest &request) : m_engine(engine)
{
    engine.OnListing = [](TZipEngine *, const TZipFileStats &s) {
        WriteOut(ListingLine(s.Size, s.CompressedSize, s.DateTime, s.FileName));
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
