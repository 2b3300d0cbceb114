// The EXE button with the fake library modules: the name rule, the
// questions, the settings record the engine hands over, and the reports.
#include "engine/sfxcreation.h"
#include "operations/extractionfixture.h"

using namespace tovo;

namespace {

class CrexeTest : public test::ExtractionFixture {
protected:
    QTemporaryDir elsewhere; // archives lie outside the program's folder

    // The self-extractor record the fake module logged, one "sfx" line each.
    QStringList record() const
    {
        QStringList lines;
        for (const QByteArray &line : test::readFile(fakeLogPath()).split('\n')) {
            if (line.startsWith("sfx "))
                lines << QString::fromUtf8(line.mid(4));
        }
        return lines;
    }
};

} // namespace

TEST(SfxNames, ProgramNameAndRefusedSources)
{
    const struct {
        const char *archive;
        const char *program; // empty: refused as a source
    } rows[] = {
        {"/a/t.zip", "/a/t.EXE"},  {"/a/T.ZIP", "/a/T.EXE"}, {"/a/t.Zip", "/a/t.EXE"},
        {"/a/t.ziip", "/a/t.zEXE"}, {"/a/\u00e9t\u00e9.zip", "/a/\u00e9t\u00e9.EXE"},
        {"/a/b/ab", "/a/b/EXE"},    {"/a/t.exe", ""},        {"/a/t.EXE", ""},
        {"/a/t.exe1", ""},          {"", ""},
    };
    for (const auto &row : rows) {
        const QString archive = QString::fromUtf8(row.archive);
        const QString program = QString::fromUtf8(row.program);
        EXPECT_EQ(IsSfxSourceRefused(archive), program.isEmpty()) << row.archive;
        if (!program.isEmpty()) {
            EXPECT_EQ(SfxProgramName(archive), program) << row.archive;
        }
    }
}

TEST_F(CrexeTest, AsksConvertsAndReports)
{
    const struct {
        const char *name;
        const char *archive;  // in another folder than the program's
        const char *existing; // a file there before
        QString typedPassword; // also the one the conversion gets
        std::deque<int> answers;
        std::deque<std::optional<QString>> texts;
        QByteArray script;
        bool modules; // false: no module in the folder (240)
        QList<int> labels; // of the boxes shown, in order
        bool converted;
    } rows[] = {
        {"no program yet: 281, then 282 and the folder", "t.zip", nullptr, {}, {IdYes}, {}, {}, true, {281, 282}, true},
        {"T.ZIP with T.EXE there: 286", "T.ZIP", "T.EXE", {}, {IdYes}, {}, {}, true, {286, 282}, true},
        {"declined: 283", "t.zip", nullptr, {}, {IdNo}, {}, {}, true, {281, 283}, false},
        {"a program as source: 82", "t.exe", nullptr, {}, {}, {}, {}, true, {82}, false},
        {"no archive: 82", nullptr, nullptr, {}, {}, {}, {}, true, {82}, false},
        {"the conversion fails: 112 only", "t.zip", nullptr, {}, {IdYes}, {}, "return 470\n", true, {281, 112}, true},
        {"a full disk: 112 and why", "t.zip", nullptr, {}, {IdYes}, {}, "return 160\n", true, {281, 112, 91}, true},
        {"the module is missing: 112", "t.zip", nullptr, {}, {IdYes}, {}, {}, false, {281, 112}, false},
        {"the password field's text, confirmed twice", "t.zip", nullptr, "pw", {IdYes, IdYes}, {QStringLiteral("pw")},
         {}, true, {281, 223, 282}, true},
        {"the password not confirmed: nothing more", "t.zip", nullptr, "pw", {IdYes, IdAbort}, {}, {}, true,
         {281, 223}, false},
    };
    start();
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        forget();
        const QString archive = row.archive ? elsewhere.filePath(QString::fromUtf8(row.archive)) : QString();
        if (row.archive) {
            ASSERT_TRUE(test::writeFile(archive, "PK\x05\x06" + QByteArray(18, '\0')));
        }
        if (row.existing) {
            ASSERT_TRUE(test::writeFile(elsewhere.filePath(QString::fromUtf8(row.existing)), "ancien"));
        }
        script(row.script);
        w->XZip->SetModuleDirectory(row.modules ? QStringLiteral(TOVO_FAKE_MODULE_DIR) : elsewhere.path());
        w->NomFic->setText(archive);
        w->XZip->ZipFileName = archive;
        w->MotDePasse->setText(row.typedPassword);
        w->XZip->Password.clear();
        boxes.answers = row.answers;
        boxes.textAnswers = row.texts;

        w->Crexe->setEnabled(true);
        w->Crexe->click();

        // A label after 112 is the cause, in the same box.
        const qsizetype boxCount = row.labels.size() - (row.labels.size() > 2 && row.labels[1] == 112);
        ASSERT_EQ(boxes.shown.size(), boxCount);
        for (int i = 0; i < boxCount; ++i)
            EXPECT_TRUE(boxes.shown[i].text.startsWith(GetLabel(row.labels[i]))) << "box " << i;
        if (boxCount < row.labels.size()) {
            EXPECT_TRUE(boxes.shown.last().text.endsWith(GetLabel(row.labels.last()) + QStringLiteral(" (160)")));
        }
        const QList<QStringList> sent = calls();
        ASSERT_EQ(sent.size(), (row.converted && row.modules) ? 1 : 0);
        if (!sent.isEmpty()) {
            EXPECT_EQ(sent[0], QStringList({row.typedPassword, "-M", "-Y", ProgDir() + SfxStubFileName, "",
                                            "[sfx-record]", archive}));
        }
        const bool succeeded = row.labels.last() == 282;
        EXPECT_EQ(opened, succeeded ? QStringList{DirectoryPart(archive)} : QStringList());
        EXPECT_TRUE(w->isEnabled());
        if (row.existing)
            QFile::remove(elsewhere.filePath(QString::fromUtf8(row.existing)));
    }
}

TEST_F(CrexeTest, WritesTheSettingsRecord)
{
    start();
    const QString archive = elsewhere.filePath(QStringLiteral("t.zip"));
    ASSERT_TRUE(test::writeFile(archive, "PK\x05\x06" + QByteArray(18, '\0')));
    // What the button does not set keeps its value; what it sets is replaced.
    w->XZip->SfxText4 = QStringLiteral("gard\u00e9");
    w->XZip->SfxLines1 = QStringList{QStringLiteral("vid\u00e9")};
    w->XZip->SfxChoice = 2;
    w->XZip->SfxOption4 = true;
    w->XZip->SetSfxMessages(4, QStringLiteral("message 4 gard\u00e9"));

    for (const QString &password : {QString(), QStringLiteral("pw")}) {
        SCOPED_TRACE(password.toStdString());
        forget();
        w->NomFic->setText(archive);
        w->XZip->ZipFileName = archive;
        w->MotDePasse->setText(password);
        w->XZip->Password = password;
        boxes.answers = {IdYes};
        w->CrexeClick();

        const QString protectedSwitch = password.isEmpty() ? QStringLiteral("0") : QStringLiteral("1");
        const QStringList expected{
            "size=ok",
            "text1=", "text2=", "text3=", "text4=gard\u00e9", "text5=",
            "lines1=", "lines2=",
            "switches=0 1 1 " + protectedSwitch + " 1 0",
            "show=1 1 1 0 0",
            "messages0=Fichiers correctement extraits.", "messages1=Erreur lors de l'extraction.",
            "messages2=Cr\u00e9ation du r\u00e9pertoire '%d' impossible", "messages3=",
            "messages4=message 4 gard\u00e9",
            "prompts0=Choisissez le r\u00e9pertoire d'extraction:", "prompts1=Mot de passe:", "prompts2=", "prompts3=",
            "prompts4=\u00cates-vous certain(e) de vouloir abandonner?",
            "prompts5=Le r\u00e9pertoire '%d' n'existe pas. Faut-il le cr\u00e9er?",
            "prompts6=Le fichier '%f' Existe d\u00e9j\u00e0. Faut-il le remplacer?",
            "captions0=Extraction du fichier :", "captions1=Progression:", "captions2=" + GetLabel(284) + " Tovo v4.4",
            "captions3=R\u00e9pertoire d'extraction:", "captions4=%s sur '%c'",
            "captions5=R\u00e9pertoire d'extraction :",
            "buttons0=&Ok!", "buttons1=&Annuler", "buttons2=&Abandon", "buttons3=&Passer", "buttons4=&Toujours Passer",
            "buttons5=&Oui", "buttons6=&Non", "buttons7=To&us", "buttons8=&Aucun", "buttons9=&Poursuivre",
            "buttons10=Sortir", "buttons11=Accepter", "buttons12=Refuser",
            "icon=",
        };
        EXPECT_EQ(record(), expected);
    }
}
