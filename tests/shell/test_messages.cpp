// Label-based message boxes: kinds, icons, buttons and results; Qt's own
// dialogs in French.
#include "browse/formatsize.h"
#include "shell/frenchui.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "support/testfiles.h"

#include <QAbstractProxyModel>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tovo;

namespace {

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLabelTable({QStringLiteral("Tovo v4.4"), QStringLiteral("Premi\u00e8re ligne\u00a7Seconde ligne"),
                       QStringLiteral("Voulez-vous quitter ?")});
        ResetTerminationRequest();
    }
    void TearDown() override { ResetTerminationRequest(); }
    ScriptedMessageService boxes;
};

TEST_F(MessagesTest, KindsGiveButtonsIconsAndResults)
{
    struct Case {
        const char *name;
        QString kind;
        int type;
        int answer;
        MessageButtons buttons;
        MessageIcon icon;
        int result;
    };
    const Case cases[] = {
        {"plain: no icon whatever the type", QStringLiteral(" Texte libre"), 2, IdOk, MessageButtons::Ok,
         MessageIcon::None, IdCancel},
        {"M pressed OK, type 2", QStringLiteral("M"), 2, IdOk, MessageButtons::Ok, MessageIcon::Error, IdCancel},
        {"d yes, type 3", QStringLiteral("d"), 3, IdYes, MessageButtons::YesNo, MessageIcon::Information, IdYes},
        {"d no, type 4", QStringLiteral("d"), 4, IdNo, MessageButtons::YesNo, MessageIcon::Question, IdNo},
        {"d closed, type 5", QStringLiteral("d"), 5, IdCancel, MessageButtons::YesNo, MessageIcon::None, IdCancel},
        {"D cancel, type 1", QStringLiteral("D"), 1, IdCancel, MessageButtons::YesNoCancel, MessageIcon::Warning,
         IdCancel},
        {"D yes, type 0", QStringLiteral("D"), 0, IdYes, MessageButtons::YesNoCancel, MessageIcon::Warning, IdYes},
        {"other letter", QStringLiteral("X"), 4, IdNo, MessageButtons::YesNoCancel, MessageIcon::Question, IdNo},
    };
    for (const Case &c : cases) {
        boxes.answers.push_back(c.answer);
        EXPECT_EQ(ShowLabelMessage(c.kind, 3, c.type), c.result) << c.name;
        ASSERT_FALSE(boxes.shown.isEmpty());
        EXPECT_EQ(boxes.shown.last().buttons, c.buttons) << c.name;
        EXPECT_EQ(boxes.shown.last().icon, c.icon) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
    // The plain kind shows its own text; the others their label, or their own
    // text when given none; a "§" in a label breaks its line.
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("Texte libre"));
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("Voulez-vous quitter ?"));
    boxes.answers = {IdOk, IdOk};
    ShowLabelMessage(QStringLiteral("M"), 2, 3);
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("Premi\u00e8re ligne\rSeconde ligne"));
    ShowLabelMessage(QStringLiteral("MDossier absent"), -1, 2);
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("Dossier absent"));
    // Outside the table: an empty text, never a crash.
    EXPECT_EQ(GetLabel(999), QString());
    EXPECT_EQ(GetLabel(0), QString());
}

TEST_F(MessagesTest, FatalErrorShowsAndAsksToTerminate)
{
    boxes.answers.push_back(IdOk);
    EXPECT_FALSE(TerminationRequested());
    FatalError(QStringLiteral("Magasin ab\u00eem\u00e9 [err exi]"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Magasin ab\u00eem\u00e9 [err exi]\r")));
    EXPECT_GT(boxes.shown[0].text.size(), QStringLiteral("Magasin ab\u00eem\u00e9 [err exi]\r").size());
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::None);
    EXPECT_TRUE(TerminationRequested());
}

TEST(PipeFilter, ConvertsToQtFilters)
{
    EXPECT_EQ(PipeFilterToQt(QStringLiteral("Archives ZIP |*.zip|Fichiers EXE|*.exe|Tous fichiers (*.*)|*.*")),
              QStringLiteral("Archives ZIP (*.zip);;Fichiers EXE (*.exe);;Tous fichiers (*.*)"));
    EXPECT_EQ(PipeFilterToQt(QStringLiteral("Images|*.bmp;*.jpg")), QStringLiteral("Images (*.bmp *.jpg)"));
    EXPECT_EQ(PipeFilterToQt(QStringLiteral("incomplet")), QString());
}

// Whatever the system's language (the tests run under LANG=C): dates,
// numbers and Qt's file dialog speak French.
TEST(FrenchInterface, DatesAndFileDialogAreFrench)
{
    ASSERT_TRUE(UseFrenchInterface()) << "Qt's French translations are missing";
    EXPECT_EQ(QLocale().toString(QDate(2021, 3, 4), QStringLiteral("dd MMMM yyyy")), QStringLiteral("04 mars 2021"));
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 1), QStringLiteral("1\u202f234,5"));

    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("sous")));
    ASSERT_TRUE(test::writeFile(folder.filePath(QStringLiteral("a.zip")), "PK\x05\x06" + QByteArray(2044, '\0')));
    QFileDialog dialog(nullptr, QString(), folder.path());
    PrepareFileDialog(dialog);
    const QAbstractProxyModel *columns = dialog.proxyModel();
    ASSERT_NE(columns, nullptr);
    auto *files = qobject_cast<QFileSystemModel *>(columns->sourceModel());
    ASSERT_NE(files, nullptr);
    const QModelIndex archive = columns->mapFromSource(files->index(folder.filePath(QStringLiteral("a.zip"))));
    const QModelIndex sub = columns->mapFromSource(files->index(folder.filePath(QStringLiteral("sous"))));
    auto text = [columns](const QModelIndex &row, int column) { return row.siblingAtColumn(column).data().toString(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text(archive, 2).isEmpty() && !text(sub, 2).isEmpty(); }, 10000));

    EXPECT_EQ(columns->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nom"));
    EXPECT_EQ(columns->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Taille"));
    EXPECT_EQ(text(archive, 1), FormatSize(2048));
    EXPECT_EQ(text(archive, 2), QStringLiteral("archive zip"));
    EXPECT_EQ(text(archive, 3),
              QLocale().toString(QFileInfo(folder.filePath(QStringLiteral("a.zip"))).lastModified(),
                                 QLocale::ShortFormat));
    EXPECT_TRUE(text(archive, 3).contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
    EXPECT_EQ(text(sub, 1), QString());
    EXPECT_EQ(text(sub, 2), QStringLiteral("Dossier"));
}

TEST(ScriptedService, RestoresPreviousServiceAndCountsSurprises)
{
    MessageService *before = &Messages();
    {
        ScriptedMessageService inner;
        EXPECT_EQ(&Messages(), &inner);
        EXPECT_EQ(Messages().showMessage({}), IdCancel);
        EXPECT_FALSE(Messages().chooseDirectory(nullptr, QString(), QString(), false).has_value());
        EXPECT_FALSE(Messages().chooseFolder({}).has_value());
        EXPECT_EQ(inner.unexpected, 3);
    }
    EXPECT_EQ(&Messages(), before);
}

} // namespace
