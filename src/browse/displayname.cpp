#include "browse/displayname.h"

namespace tovo {
namespace {

bool steersDirection(char16_t u)
{
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

void appendEscaped(QString &out, QStringView name, bool escapeBackslash = false)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\\' && escapeBackslash)
            out += QLatin1String("\\\\");
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (u == 0x2028 || u == 0x2029 || steersDirection(u))
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
}

// A cut that does not split a surrogate pair.
qsizetype cutBefore(QStringView text, qsizetype at)
{
    return at > 0 && at < text.size() && text[at].isLowSurrogate() ? at - 1 : at;
}

} // namespace

QString EscapedEntryName(QStringView name, bool escapeBackslash)
{
    QString out;
    out.reserve(name.size());
    appendEscaped(out, name, escapeBackslash);
    return out;
}

QString DisplayedEntryName(const QString &name)
{
    QString out;
    if (name.size() <= DisplayedNameMax)
        return EscapedEntryName(name, false);
    const qsizetype head = cutBefore(name, DisplayedNameMax / 2);
    const qsizetype tail = cutBefore(name, name.size() - (DisplayedNameMax / 2 - 1));
    appendEscaped(out, QStringView(name).left(head));
    out += QChar(0x2026);
    appendEscaped(out, QStringView(name).mid(tail));
    return out;
}

} // namespace tovo
