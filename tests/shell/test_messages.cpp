// Label-based message boxes: kinds, icons, buttons and results.
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"

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

TEST_F(MessagesTest, KindsGiveButtonsAndResults)
{
    struct Case {
        const char *name;
        QString kind;
        int answer;
        MessageButtons buttons;
        int result;
    };
    const Case cases[] = {
        {"plain", QStringLiteral(" Texte libre"), IdOk, MessageButtons::Ok, IdCancel},
        {"M pressed OK", QStringLiteral("M"), IdOk, MessageButtons::Ok, IdCancel},
        {"d yes", QStringLiteral("d"), IdYes, MessageButtons::YesNo, IdYes},
        {"d no", QStringLiteral("d"), IdNo, MessageButtons::YesNo, IdNo},
        {"d closed", QStringLiteral("d"), IdCancel, MessageButtons::YesNo, IdCancel},
        {"D cancel", QStringLiteral("D"), IdCancel, MessageButtons::YesNoCancel, IdCancel},
        {"D yes", QStringLiteral("D"), IdYes, MessageButtons::YesNoCancel, IdYes},
        {"other letter", QStringLiteral("X"), IdNo, MessageButtons::YesNoCancel, IdNo},
    };
    for (const Case &c : cases) {
        boxes.answers.push_back(c.answer);
        EXPECT_EQ(ShowLabelMessage(c.kind, 3, 4), c.result) << c.name;
        ASSERT_FALSE(boxes.shown.isEmpty());
        EXPECT_EQ(boxes.shown.last().buttons, c.buttons) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
    // The plain kind shows its own text without an icon, whatever N and type say.
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("Texte libre"));
    EXPECT_EQ(boxes.shown.first().icon, MessageIcon::None);
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("Voulez-vous quitter ?"));
}

TEST_F(MessagesTest, DialogTypesGiveIcons)
{
    const std::pair<int, MessageIcon> cases[] = {{2, MessageIcon::Error},   {3, MessageIcon::Information},
                                                 {4, MessageIcon::Question}, {5, MessageIcon::None},
                                                 {1, MessageIcon::Warning},  {0, MessageIcon::Warning}};
    for (const auto &[type, icon] : cases) {
        boxes.answers.push_back(IdOk);
        ShowLabelMessage(QStringLiteral("M"), 2, type);
        EXPECT_EQ(boxes.shown.last().icon, icon) << type;
    }
}

TEST_F(MessagesTest, LabelTextAndOwnText)
{
    boxes.answers = {IdOk, IdOk};
    ShowLabelMessage(QStringLiteral("M"), 2, 3);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Premi\u00e8re ligne\rSeconde ligne"));
    ShowLabelMessage(QStringLiteral("MDossier absent"), -1, 2);
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Dossier absent"));
    EXPECT_EQ(GetLabel(2), QStringLiteral("Premi\u00e8re ligne\rSeconde ligne"));
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
