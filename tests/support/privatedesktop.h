#pragma once

// A private home for the desktop-integration tests: HOME, XDG_DATA_HOME and
// XDG_CONFIG_HOME point into a temporary folder while the object lives, and
// no desktop session is visible, so the freedesktop.org tools answer from
// these folders alone.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovo::test {

class PrivateDesktop {
public:
    PrivateDesktop()
    {
        // Open to everyone (bits are only added): a test may act as another user inside.
        addModeBits(m_home.path(), 0755);
        addModeBits(QFileInfo(m_home.path()).absolutePath(), 0011);
        set("HOME", m_home.path());
        set("XDG_DATA_HOME", dataHome());
        set("XDG_CONFIG_HOME", configHome());
        for (const char *name :
             {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION",
              "GNOME_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS", "XDG_CONFIG_DIRS", "DISPLAY", "WAYLAND_DISPLAY"})
            set(name, QString(), true);
        QDir().mkpath(dataHome());
        QDir().mkpath(configHome());
    }

    ~PrivateDesktop()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
            if (it->second.isNull())
                qunsetenv(it->first.constData());
            else
                qputenv(it->first.constData(), it->second);
        }
    }

    QString home() const { return m_home.path(); }
    QString dataHome() const { return m_home.filePath(QStringLiteral("share")); }
    QString configHome() const { return m_home.filePath(QStringLiteral("config")); }
    QString applications() const { return dataHome() + QStringLiteral("/applications"); }

    // A system tool's exit code (-1 when it did not run) and output.
    static QPair<int, QString> run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, QString()};
        return {process.exitCode(), QString::fromLocal8Bit(process.readAll()).trimmed()};
    }

private:
    static void addModeBits(const QString &path, mode_t bits)
    {
        const QByteArray native = QFile::encodeName(path);
        struct stat st;
        if (::stat(native.constData(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & bits) != bits)
            ::chmod(native.constData(), (st.st_mode | bits) & 07777);
    }

    void set(const char *name, const QString &value, bool unset = false)
    {
        m_saved.append({QByteArray(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
        if (unset)
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }

    QTemporaryDir m_home;
    QList<QPair<QByteArray, QByteArray>> m_saved;
};

// Runs body with file permissions enforced: as the user "nobody" when the
// tests run as root (root writes anywhere). Only the effective user changes,
// so root comes back afterwards.
template <typename Body> void AsOrdinaryUser(Body body)
{
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    body();
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
}

} // namespace tovo::test
