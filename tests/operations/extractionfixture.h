#pragma once

// The main window on an archive listed by the fake library modules, with the
// file manager replaced by a recorder.

#include "platform/openfolder.h"
#include "support/mainwindowfixture.h"

#include <QFile>

#include <functional>

namespace tovo::test {

using namespace Qt::StringLiterals;

class ExtractionFixture : public MainWindowFixture {
protected:
    // The folders the file manager was asked to show.
    QStringList opened;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        platform::SetFolderOpener([this](const QString &directory) {
            opened << directory;
            return true;
        });
    }

    void TearDown() override
    {
        platform::SetFolderOpener({});
        MainWindowFixture::TearDown();
    }

    // The listing the fake modules give for names (each 10 bytes), then the
    // lines played by the extraction (the only call with "-d").
    void scriptArchive(const QStringList &names, const QByteArray &extraction = {})
    {
        QByteArray text = "when -v\n";
        for (const QString &name : names)
            text += "80 name=" + QUrl::toPercentEncoding(name, "/") + " size=10 csize=5\n";
        script(text + "when -d\n" + extraction);
    }

    // Starts Tovo when needed and opens an archive made at relative.
    QString openArchive(const QStringList &names, const QByteArray &extraction = {},
                        const QString &relative = u"arch/test.zip"_s)
    {
        scriptArchive(names, extraction);
        const QString archive = makeArchive(relative);
        if (!w)
            start();
        w->NomFic->setText(archive);
        w->BtActuClick();
        EXPECT_EQ(w->Entries->count(), names.size());
        return archive;
    }

    void check(const std::vector<int> &rows)
    {
        for (int row : rows)
            w->Entries->setData(w->Entries->index(row), Qt::Checked, Qt::CheckStateRole);
    }

    // Forgets the calls and boxes of earlier steps.
    void forget()
    {
        QFile::remove(fakeLogPath());
        boxes.shown.clear();
        opened.clear();
    }

    // What the confirmation dialog showed when it came up.
    struct Showing {
        QString label1;
        QString nomF;
        bool remplForce = false;
        QString repDest;
    };
    std::vector<Showing> showings;

    // Answers the next confirmation dialog after act (what the user does in it).
    void confirm(int answer, std::function<void(TConf &)> act = {})
    {
        boxes.formAnswers.push_back([this, answer, act](QDialog *dialog) {
            auto *conf = qobject_cast<TConf *>(dialog);
            EXPECT_NE(conf, nullptr) << "expected the confirmation dialog";
            if (!conf)
                return int(IdNo);
            showings.push_back(
                {conf->Label1->text(), conf->NomF->text(), conf->RemplForce->isChecked(), conf->RepDest->text()});
            if (act)
                act(*conf);
            return answer;
        });
    }

    // The vector of the last extraction; empty when none ran.
    QStringList extraction() const
    {
        const QList<QStringList> all = calls();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if (it->contains(u"-d"_s))
                return *it;
        }
        return {};
    }

    // The whole extraction vector: password, reader parameters, switches,
    // archive, names, destination.
    static QStringList extractVector(const QString &archive, const QStringList &files, const QString &destination,
                                     const QStringList &switches = {})
    {
        QStringList v{QString(), u"-10"_s, u"-2-1"_s};
        v << switches << archive << files << u"-d"_s << destination;
        return v;
    }
};

// The same, failing a test in which a box came up that no script answered.
class AnsweredFixture : public ExtractionFixture {
protected:
    void TearDown() override
    {
        EXPECT_EQ(boxes.unexpected, 0) << "a box came up that no test answered";
        ExtractionFixture::TearDown();
    }
};

} // namespace tovo::test
