#pragma once

// A program folder with the shipped labels and help, private settings, the
// scripted message service and the fake library modules, for the tests that
// drive the real main window offscreen, with the headers they all use.

#include "browse/tentrymodel.h"
#include "engine/qtprint.h"
#include "engine/tzipengine.h"
#include "operations/tchoixrep.h"
#include "operations/tconf.h"
#include "options/teoptions.h"
#include "shell/captionpanel.h"
#include "shell/forms.h"
#include "shell/fswidgets.h"
#include "shell/labelmessages.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"
#include "shell/tprincipale.h"
#include "support/testfiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace tovo::test {

class MainWindowFixture : public ::testing::Test {
protected:
    QTemporaryDir prog;
    QTemporaryDir settingsDir;
    ScriptedMessageService boxes;
    TPrincipale *w = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(shippedLabelsFile(), prog.filePath(LabelsFileName)));
        ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("favoris.txt")), "/srv\r\n/home\r\n"));
        ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("historique.txt")), ""));
        QDir(prog.path()).mkpath(QStringLiteral("aide"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TOVO_SOURCE_DIR "/data/aide/tovo.html"),
                                prog.filePath(QStringLiteral("aide/tovo.html"))));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        SetProgDir(prog.path());
        SetTempDir(QString());
        ResetTerminationRequest();
        qputenv("TOVO_FAKE_LOG", QFile::encodeName(fakeLogPath()));
        qputenv("TOVO_FAKE_SCRIPT", QFile::encodeName(prog.filePath(QStringLiteral("fake.script"))));
    }

    void TearDown() override
    {
        DestroyForms();
        ResetTerminationRequest();
        qunsetenv("TOVO_FAKE_LOG");
        qunsetenv("TOVO_FAKE_SCRIPT");
    }

    QString fakeLogPath() const { return prog.filePath(QStringLiteral("fake.log")); }

    // The fake modules play this script at each call (see fakezip.c).
    void script(const QByteArray &text) { ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("fake.script")), text)); }

    // The vectors the fake modules received, one list per call.
    QList<QStringList> calls() const
    {
        QList<QStringList> result;
        for (const QByteArray &line : readFile(fakeLogPath()).split('\n')) {
            if (line.startsWith("call "))
                result.append(QStringList());
            else if (line.startsWith("arg ") && !result.isEmpty())
                result.last() << QString::fromUtf8(line.mid(4));
        }
        return result;
    }

    // The callback's answers logged by the fake modules, as "MESSAGE RESULT ...".
    QStringList answers() const
    {
        QStringList result;
        for (const QByteArray &line : readFile(fakeLogPath()).split('\n')) {
            if (line.startsWith("answer "))
                result << QString::fromUtf8(line.mid(7));
        }
        return result;
    }

    void start(const QStringList &commandLine = {}, bool fakeModules = true)
    {
        CreateForms();
        w = AppForms().Principale;
        if (fakeModules)
            w->XZip->SetModuleDirectory(QStringLiteral(TOVO_FAKE_MODULE_DIR));
        w->CommandLine = commandLine;
        w->show();
        QApplication::processEvents();
    }

    QString makeArchive(const QString &relative)
    {
        const QString path = prog.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(writeFile(path, "PK\x05\x06" + QByteArray(18, '\0')));
        return path;
    }

    QStringList texts() const
    {
        QStringList t;
        for (const MessageBoxRequest &r : boxes.shown)
            t << r.text;
        return t;
    }
};

} // namespace tovo::test
