// The secondary forms driven offscreen: how each one answers, moves and closes.
#include "engine/tinterruption.h"
#include "operations/tchoixrep.h"
#include "operations/tconf.h"
#include "operations/teselfics.h"
#include "preview/tfullslide.h"
#include "preview/timageview.h"
#include "shell/fswidgets.h"
#include "shell/labelstore.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/taboutbox.h"
#include "shell/tfrmsplash.h"
#include "support/testfiles.h"

#include <deque>
#include <functional>
#include <optional>

#include <sys/stat.h>

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

TEST(Interruption, TakesTheKeyboardAndEscapeAsksThroughTheButton)
{
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    TInterruption form;
    form.show();
    QApplication::processEvents();
    // Escape reaches it at once, without a click first.
    EXPECT_EQ(QApplication::activeWindow(), &form);
    ASSERT_EQ(QApplication::focusWidget(), form.BitBtn1);
    int clicks = 0;
    QObject::connect(form.BitBtn1, &QPushButton::clicked, [&clicks] { ++clicks; });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(form.isVisible());
}

TEST(Conf, ButtonsAndKeysAnswer)
{
    struct Case {
        const char *name;
        std::function<void(TConf &)> act;
        int result;
    };
    const Case cases[] = {
        {"Oui", [](TConf &f) { f.BitBtn1->click(); }, IdYes},
        {"Non", [](TConf &f) { f.BitBtn2->click(); }, IdNo},
        {"Escape in the destination", [](TConf &f) { QTest::keyClick(f.RepDest, Qt::Key_Escape); }, IdNo},
        {"Enter in the destination", [](TConf &f) { QTest::keyClick(f.RepDest, Qt::Key_Return); }, IdYes},
    };
    for (const Case &c : cases) {
        TConf form;
        form.show();
        form.RepDest->setFocus();
        c.act(form);
        EXPECT_FALSE(form.isVisible()) << c.name;
        EXPECT_EQ(form.result(), c.result) << c.name;
    }
}

class ChoixRepTest : public ::testing::Test {
protected:
    QTemporaryDir prog;
    QTemporaryDir start;
    QTemporaryDir target;
    void SetUp() override { SetProgDir(AddBackslash(prog.path())); }
};

// An unreachable start falls back to the program directory; each showing
// clears the favourite and puts the tree's directory back in edit1.
TEST_F(ChoixRepTest, StartAndShowing)
{
    const std::pair<QString, QString> cases[] = {
        {start.path(), start.path()},
        {start.path() + u"/absent"_s, prog.path()},
        {target.filePath(u"fichier.txt"_s), prog.path()},
        {QString(), prog.path()},
    };
    ASSERT_TRUE(test::writeFile(target.filePath(u"fichier.txt"_s), "x"));
    for (const auto &[where, expected] : cases) {
        TChoixRep form;
        form.OpenChooserAt(target.path());
        form.OpenChooserAt(where);
        form.favoris->addItems({u"/a"_s, u"/b"_s});
        form.favoris->setCurrentIndex(1);
        form.edit1->setText(u"/ailleurs"_s);
        form.show();
        EXPECT_EQ(form.Liste->directory(), expected) << where.toStdString();
        EXPECT_EQ(form.edit1->text(), expected) << where.toStdString();
        EXPECT_EQ(form.favoris->currentIndex(), -1) << where.toStdString();
        // Etendre stretches the window to the screen's height.
        form.BtEtendre->click();
        const QRect screen = form.screen()->geometry();
        EXPECT_EQ(form.frameGeometry().top(), screen.top() + 30);
        EXPECT_EQ(form.frameGeometry().height(), screen.height() - 60);
        EXPECT_EQ(form.width(), TChoixRep::DesignWidth);
    }
}

TEST_F(ChoixRepTest, BrowseMovesTheTreeOnlyToAnExistingOrCreatedDirectory)
{
    ASSERT_TRUE(test::writeFile(target.filePath(u"bloque"_s), "x"));
    struct Case {
        const char *name;
        std::optional<QString> chosen;
        std::deque<int> answers;
        int boxes;
        bool moved;
    };
    const Case cases[] = {
        {"existing directory", target.path(), {}, 0, true},
        {"missing, created", target.filePath(u"nouveau"_s), {IdYes}, 1, true},
        {"missing, refused", target.filePath(u"refuse"_s), {IdNo}, 1, false},
        {"missing, cannot be created", target.filePath(u"bloque/sous"_s), {IdYes, IdOk}, 2, false},
        {"cancelled", std::nullopt, {}, 0, false},
        {"empty name", QString(), {}, 0, false},
    };
    for (const Case &c : cases) {
        ScriptedMessageService script;
        script.directoryAnswers.push_back(c.chosen);
        script.answers = c.answers;
        TChoixRep form;
        form.OpenChooserAt(start.path());
        form.favoris->addItem(u"/a"_s);
        form.favoris->setCurrentIndex(0);
        form.edit1Browse->click();
        EXPECT_EQ(script.unexpected, 0) << c.name;
        EXPECT_TRUE(script.answers.empty()) << c.name;
        ASSERT_EQ(script.shown.size(), c.boxes) << c.name;
        if (c.boxes > 0) {
            EXPECT_EQ(script.shown[0].buttons, MessageButtons::YesNo) << c.name;
            EXPECT_TRUE(script.shown[0].text.contains(*c.chosen)) << c.name;
        }
        if (c.boxes > 1) {
            EXPECT_EQ(script.shown[1].icon, MessageIcon::Warning) << c.name;
        }
        const QString expected = c.moved ? *c.chosen : start.path();
        EXPECT_EQ(form.Liste->directory(), expected) << c.name;
        EXPECT_EQ(form.edit1->text(), expected) << c.name;
        EXPECT_EQ(form.favoris->currentIndex(), c.moved ? -1 : 0) << c.name;
        if (c.chosen && !c.chosen->isEmpty()) {
            EXPECT_EQ(QFileInfo(*c.chosen).isDir(), c.moved) << c.name;
        }
    }
}

TEST(Eselfics, FilterListPairsNamesWithMasks)
{
    struct Case {
        const char *name;
        QString filter;
        QStringList names;
        QStringList masks;
    };
    const Case cases[] = {
        {"pairs", u"Textes|*.txt;*.ini|Tous|*.*"_s, {u"Textes"_s, u"Tous"_s},
         {u"*.txt;*.ini"_s, u"*.*"_s}},
        {"trailing name dropped", u"Textes|*.txt|Orphelin"_s, {u"Textes"_s},
         {u"*.txt"_s}},
        {"name only", u"Orphelin"_s, {}, {}},
        {"empty", QString(), {}, {}},
    };
    for (const Case &c : cases) {
        TEselfics form;
        form.setFilterList(c.filter);
        QStringList names;
        QStringList masks;
        for (int i = 0; i < form.Filtre->count(); ++i) {
            names << form.Filtre->itemText(i);
            masks << form.filterMasks(i);
        }
        EXPECT_EQ(names, c.names) << c.name;
        EXPECT_EQ(masks, c.masks) << c.name;
        EXPECT_EQ(form.Filtre->currentIndex(), c.names.isEmpty() ? -1 : 0) << c.name;
        EXPECT_EQ(form.filterMasks(c.names.size()), QString()) << c.name;
    }
}

TEST(Eselfics, LevelLabelsSetTheSliderEnds)
{
    struct Case {
        const char *name;
        QLabel *TEselfics::*label;
        Qt::MouseButton button;
        int expected;
    };
    const Case cases[] = {
        {"Maximum", &TEselfics::lbMaximum, Qt::LeftButton, 9},
        {"Aucune", &TEselfics::LbAucune, Qt::LeftButton, 0},
        {"Maximum, right button", &TEselfics::lbMaximum, Qt::RightButton, 6},
        {"Aucune, right button", &TEselfics::LbAucune, Qt::RightButton, 6},
    };
    for (const Case &c : cases) {
        TEselfics form;
        form.show();
        ASSERT_EQ(form.NCompress->value(), 6);
        QTest::mouseClick(form.*c.label, c.button);
        EXPECT_EQ(form.NCompress->value(), c.expected) << c.name;
    }
}

TEST(FullSlide, EachShowingStartsFittedOverTheWholeScreen)
{
    TFullSlide form;
    form.Tailledorigine1->trigger();
    form.show();
    EXPECT_TRUE(form.Tailleajuste1->isChecked());
    EXPECT_FALSE(form.Tailledorigine1->isChecked());
    EXPECT_EQ(form.geometry(), form.screen()->geometry());

    form.Tailledorigine1->trigger();
    EXPECT_FALSE(form.MultiImage1->stretchRatio());
    EXPECT_TRUE(form.Tailledorigine1->isChecked());
    EXPECT_FALSE(form.Tailleajuste1->isChecked());
    // Choosing the checked size again keeps it checked rather than clearing both.
    form.Tailledorigine1->trigger();
    EXPECT_TRUE(form.Tailledorigine1->isChecked());
    form.Tailleajuste1->trigger();
    EXPECT_TRUE(form.MultiImage1->stretchRatio());
    EXPECT_TRUE(form.Tailleajuste1->isChecked());
    EXPECT_FALSE(form.Tailledorigine1->isChecked());

    form.FondBlanc->trigger();
    EXPECT_EQ(form.MultiImage1->backgroundColour(), QColor(Qt::white));
    form.FondNoir->trigger();
    EXPECT_EQ(form.MultiImage1->backgroundColour(), QColor(Qt::black));
}

TEST(FullSlide, OtherColourComesFromTheColourDialog)
{
    ScriptedMessageService boxes;
    TFullSlide form;
    form.FondBlanc->trigger();
    // Cancelled: the background stays; confirmed: it takes the colour, and
    // the dialog opens on it the next time, even after another showing.
    boxes.colourAnswers = {std::nullopt, QColor(0x12, 0x34, 0x56), std::nullopt};
    form.Autrecouleur1->trigger();
    EXPECT_EQ(form.MultiImage1->backgroundColour(), QColor(Qt::white));
    form.Autrecouleur1->trigger();
    EXPECT_EQ(form.MultiImage1->backgroundColour(), QColor(0x12, 0x34, 0x56));
    form.show();
    form.hide();
    form.FondNoir->trigger();
    form.Autrecouleur1->trigger();
    EXPECT_EQ(form.MultiImage1->backgroundColour(), QColor(Qt::black));
    EXPECT_EQ(boxes.colourRequests,
              QList<QColor>({QColor(Qt::black), QColor(Qt::black), QColor(0x12, 0x34, 0x56)}));
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST(FullSlide, LeftClickAnyKeyOrFermerCloses)
{
    struct Case {
        const char *name;
        std::function<void(TFullSlide &)> act;
        bool closes;
    };
    const Case cases[] = {
        {"left click", [](TFullSlide &f) { QTest::mouseClick(f.MultiImage1, Qt::LeftButton); }, true},
        {"right click",
         [](TFullSlide &f) {
             QTest::mouseClick(f.MultiImage1, Qt::RightButton);
             f.PopupMenu1->hide();
         },
         false},
        {"Tab", [](TFullSlide &f) { QTest::keyClick(f.MultiImage1, Qt::Key_Tab); }, true},
        {"Shift", [](TFullSlide &f) { QTest::keyClick(f.MultiImage1, Qt::Key_Shift); }, true},
        {"letter", [](TFullSlide &f) { QTest::keyClick(f.MultiImage1, Qt::Key_A); }, true},
        {"Fermer", [](TFullSlide &f) { f.Fermer->trigger(); }, true},
    };
    for (const Case &c : cases) {
        TFullSlide form;
        form.show();
        c.act(form);
        EXPECT_EQ(form.isVisible(), !c.closes) << c.name;
        if (c.closes) {
            EXPECT_EQ(form.result(), QDialog::Rejected) << c.name;
        }
    }
}

TEST(AboutBox, CreditLineHeadsTheMemoOnce)
{
    TAboutBox form;
    const QString credits = form.Memo1->toPlainText();
    form.Vtovo->setText(QString());
    for (int i = 0; i < 3; ++i) {
        form.show();
        form.hide();
    }
    EXPECT_EQ(form.Memo1->document()->firstBlock().text(), CreditLine);
    EXPECT_EQ(form.Memo1->toPlainText(), CreditLine + u'\n' + credits);
    EXPECT_EQ(form.Vtovo->text(), ApplicationTitle);
}

// The browsers name file types from the name alone: reading content would
// block the window on a file that never ends (/proc/kmsg, a named pipe).
TEST(FileBrowsers, TypesComeFromNamesNeverFromContent)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(u"sans-extension"_s);
    ASSERT_TRUE(test::writeFile(png, QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, '\0')));
    const QString fifo = dir.filePath(u"tube.zip"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QAbstractFileIconProvider *provider = NameOnlyIconProvider();
    EXPECT_FALSE(provider->type(QFileInfo(png)).contains(u"PNG"_s, Qt::CaseInsensitive));
    EXPECT_FALSE(provider->type(QFileInfo(fifo)).isEmpty()); // returns instead of blocking
    provider->icon(QFileInfo(fifo));
}

} // namespace
