#pragma once

#include <QMap>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>

#include <optional>

namespace tovo {

// Integer settings are decimal text; "0x"/"0X" introduces hexadecimal. Empty
// or non-numeric text gives nothing (the caller's default).
std::optional<int> ParseSettingInt(const QString &text);

// The per-user settings, every value a string under the group "tovo":
// integers as decimal text, Booleans as "0"/"1" (any non-zero integer reads
// as true), texts as they are. The file is read once, at construction; the
// values written are kept until sync(), which replaces the file whole.
class SettingsStore {
public:
    // The user's store (INI file, organisation "Velmora", application "tovo").
    SettingsStore();
    // A store in a given INI file (tests).
    explicit SettingsStore(const QString &iniPath);
    ~SettingsStore();

    int readInt(const QString &name, int defaultValue) const;
    bool readBool(const QString &name, bool defaultValue) const;
    QString readText(const QString &name, const QString &defaultValue) const;

    void writeInt(const QString &name, int value);
    void writeBool(const QString &name, bool value);
    void writeText(const QString &name, const QString &value);
    // Writes the settings to a new file beside the old one, flushes it to
    // the disk and only then renames it over the old one, so a failed save
    // leaves the previous settings whole. False when the store could not be
    // written.
    bool sync();

private:
    void load();

    QString m_path;
    QMap<QString, QVariant> m_values; // every key of the file, groups included
    bool m_changed = false;
};

// Window state coding of "Etat".
enum class WindowStateCode { Minimised = 1, Normal = 2, Maximised = 3 };

struct SavedPlacement {
    int top = 1;
    int left = 1;
    int height = 0;
    int width = 0;
};

// Applies each saved coordinate only when it lies in [0, screen extent); the
// others keep the design geometry, so a window saved on a larger screen still
// opens visibly.
QRect ResolvePlacement(const SavedPlacement &saved, const QRect &design, const QSize &screen);

} // namespace tovo
