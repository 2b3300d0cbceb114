#include "shell/settingsstore.h"

#include <QSettings>

namespace tovo {
namespace {

const QString Group = QStringLiteral("tovo/");

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
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Velmora"), QStringLiteral("tovo")))
{
}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

int SettingsStore::readInt(const QString &name, int defaultValue) const
{
    const QVariant v = m_settings->value(Group + name);
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
    const QVariant v = m_settings->value(Group + name);
    return v.isValid() ? v.toString() : defaultValue;
}

void SettingsStore::writeInt(const QString &name, int value)
{
    m_settings->setValue(Group + name, QString::number(value));
}

void SettingsStore::writeBool(const QString &name, bool value)
{
    m_settings->setValue(Group + name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::writeText(const QString &name, const QString &value)
{
    m_settings->setValue(Group + name, value);
}

bool SettingsStore::sync()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
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
