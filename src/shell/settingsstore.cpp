#include "shell/settingsstore.h"

#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

namespace tovo {
namespace {

const QString Group = QStringLiteral("tovo/");

// A key or section name as QSettings writes it: "%XX" stands for a byte.
QString unescapedKey(QByteArrayView raw)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(raw.toByteArray()));
}

int digitOf(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A value as QSettings writes a text: optional quotes around it, backslash
// escapes (\n, \", \\, \xHHHH, octal), raw UTF-8 otherwise, and a
// leading "@" doubled. Anything else QSettings would turn into another type
// ("@Variant(...)", "@ByteArray(...)", lists) is read as the plain text it
// is: the settings hold texts only, and decoding such data from a damaged or
// crafted file could ask for gigabytes.
QString unescapedValue(QByteArrayView raw)
{
    static const char escapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'},  {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                      {'v', '\v'}, {'"', '"'},  {'?', '?'},   {'\'', '\''}, {'\\', '\\'}};
    QString out;
    QByteArray pending; // raw UTF-8 not yet decoded
    auto flush = [&] {
        out += QString::fromUtf8(pending);
        pending.clear();
    };
    qsizetype i = 0;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
        ++i;
    bool wasQuoted = false;
    qsizetype keep = 0; // spaces before this length are part of the text
    while (i < raw.size()) {
        const char c = raw[i++];
        if (c == '"') {
            flush();
            wasQuoted = true;
            keep = out.size();
            continue;
        }
        if (c != '\\' || i >= raw.size()) {
            pending += c;
            continue;
        }
        flush();
        const char e = raw[i++];
        bool known = false;
        for (const auto &pair : escapes) {
            if (e == pair[0]) {
                out += QLatin1Char(pair[1]);
                known = true;
            }
        }
        if (!known && (e == 'x' || (e >= '0' && e <= '7'))) {
            // As many digits as follow, as QSettings reads them.
            const int base = e == 'x' ? 16 : 8;
            char16_t value = e == 'x' ? 0 : char16_t(e - '0');
            for (int digit; i < raw.size() && (digit = digitOf(raw[i])) >= 0 && digit < base; ++i)
                value = char16_t(value * base + digit);
            out += QChar(value);
        }
        keep = out.size();
    }
    flush();
    if (!wasQuoted) {
        while (out.size() > keep && (out.endsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char('\t'))))
            out.chop(1);
    }
    if (out.startsWith(QLatin1String("@@")))
        out.remove(0, 1);
    return out;
}

// Every key of an INI text ("group/key") with its text value.
QMap<QString, QVariant> readIni(const QByteArray &text)
{
    QMap<QString, QVariant> values;
    QString group;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QByteArrayView line = QByteArrayView(text).sliced(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const qsizetype close = line.indexOf(']');
            group = unescapedKey(line.sliced(1, (close < 0 ? line.size() : close) - 1));
            if (group.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                group.clear();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString key = unescapedKey(line.first(equals).trimmed());
        values.insert(group.isEmpty() ? key : group + QLatin1Char('/') + key, unescapedValue(line.sliced(equals + 1)));
    }
    return values;
}

} // namespace

std::optional<int> ParseSettingInt(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    int value = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toInt(&ok, 16);
    else
        value = t.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

SettingsStore::SettingsStore()
    : m_path(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("tovo"))
                 .fileName())
{
    load();
}

SettingsStore::SettingsStore(const QString &iniPath) : m_path(iniPath) { load(); }

SettingsStore::~SettingsStore() = default;

void SettingsStore::load()
{
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly))
        m_values = readIni(file.readAll());
}

int SettingsStore::readInt(const QString &name, int defaultValue) const
{
    const QVariant v = m_values.value(Group + name);
    if (!v.isValid())
        return defaultValue;
    return ParseSettingInt(v.toString()).value_or(defaultValue);
}

bool SettingsStore::readBool(const QString &name, bool defaultValue) const
{
    return readInt(name, defaultValue ? 1 : 0) != 0;
}

QString SettingsStore::readText(const QString &name, const QString &defaultValue) const
{
    const QVariant v = m_values.value(Group + name);
    return v.isValid() ? v.toString() : defaultValue;
}

void SettingsStore::writeInt(const QString &name, int value) { writeText(name, QString::number(value)); }

void SettingsStore::writeBool(const QString &name, bool value)
{
    writeText(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::writeText(const QString &name, const QString &value)
{
    QVariant &stored = m_values[Group + name];
    if (stored.isValid() && stored.toString() == value && stored.typeId() == QMetaType::QString)
        return;
    stored = value;
    m_changed = true;
}

bool SettingsStore::sync()
{
    if (!m_changed)
        return true;
    // QSettings writes the INI text (with its escapes) in a private folder;
    // the settings file itself is replaced in one step.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return false;
    const QString text = scratch.filePath(QStringLiteral("reglages.ini"));
    {
        QSettings out(text, QSettings::IniFormat);
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
            out.setValue(it.key(), it.value());
        out.sync();
        if (out.status() != QSettings::NoError)
            return false;
    }
    QFile written(text);
    if (!written.open(QIODevice::ReadOnly))
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (platform::ReplaceFileContents(m_path, written.readAll()) != 0)
        return false;
    m_changed = false;
    return true;
}

QRect ResolvePlacement(const SavedPlacement &saved, const QRect &design, const QSize &screen)
{
    QRect r = design;
    if (saved.top > -1 && saved.top < screen.height())
        r.moveTop(saved.top);
    if (saved.left > -1 && saved.left < screen.width())
        r.moveLeft(saved.left);
    if (saved.height > -1 && saved.height < screen.height())
        r.setHeight(saved.height);
    if (saved.width > -1 && saved.width < screen.width())
        r.setWidth(saved.width);
    return r;
}

} // namespace tovo
