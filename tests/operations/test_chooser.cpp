// The destination chooser's favourites in the running program.
#include "extractionfixture.h"

#include <QDir>

using namespace tovo;
using namespace Qt::StringLiterals;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

class ChooserTest : public test::AnsweredFixture {
protected:
    // Favourites live in a folder of the test's own, so their order does not
    // depend on where the system keeps temporary files.
    QString fav(const QString &name, bool create = true) const
    {
        const QString path = prog.filePath(u"fav/"_s + name);
        if (create)
            QDir().mkpath(path);
        return path;
    }

    void startWith(const QStringList &favourites)
    {
        QByteArray file;
        for (const QString &f : favourites)
            file += f.toUtf8() + "\r\n";
        ASSERT_TRUE(writeFile(prog.filePath(u"favoris.txt"_s), file));
        start();
    }

    TChoixRep *chooser() const { return AppForms().ChoixRep; }

    QStringList favourites() const
    {
        QStringList items;
        for (int i = 0; i < chooser()->favoris->count(); ++i)
            items << chooser()->favoris->itemText(i);
        return items;
    }

    void pick(const QString &favourite)
    {
        const int index = chooser()->favoris->findText(favourite);
        ASSERT_GE(index, 0) << favourite.toStdString();
        chooser()->favoris->setCurrentIndex(index);
        emit chooser()->favoris->activated(index);
    }

    QString question(int label, const QString &directory) const
    {
        return GetLabel(label) + u"\r[ "_s + directory + u" ]"_s;
    }
};

TEST_F(ChooserTest, AddingKeepsTheListSortedAndRefusesExactDuplicates)
{
    startWith({});
    const QString b = fav(u"b"_s), m = fav(u"m"_s);
    const QString lower = fav(u"docs"_s), upper = fav(u"Docs"_s);
    const QString a = fav(u"a"_s), zed = fav(u"zed"_s);

    struct Step {
        const char *name;
        QString directory;
        int answer;  // to the question; 0: no question, a refusal instead
        QStringList after;
    };
    const Step steps[] = {
        // The combo box must not select the first item it is given.
        {"the first one", m, IdYes, {m}},
        {"before it", b, IdYes, {b, m}},
        {"added at its sorted place", lower, IdYes, {b, lower, m}},
        {"exact duplicate refused", lower, 0, {b, lower, m}},
        {"another case is another favourite", upper, IdYes, {b, upper, lower, m}},
        {"answered No", zed, IdNo, {b, upper, lower, m}},
        {"first place", a, IdYes, {a, b, upper, lower, m}},
    };
    for (const Step &s : steps) {
        ASSERT_TRUE(chooser()->Liste->setDirectory(s.directory)) << s.name;
        boxes.shown.clear();
        boxes.answers = {s.answer == 0 ? int(IdOk) : s.answer};
        chooser()->Button2->click();
        ASSERT_EQ(boxes.shown.size(), 1) << s.name;
        if (s.answer == 0) {
            EXPECT_EQ(boxes.shown[0].text, GetLabel(263)) << s.name;
            EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning) << s.name;
            EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok) << s.name;
        } else {
            EXPECT_EQ(boxes.shown[0].text, question(264, s.directory)) << s.name;
            EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo) << s.name;
        }
        EXPECT_EQ(favourites(), s.after) << s.name;
        EXPECT_EQ(chooser()->favoris->currentIndex(), -1) << s.name;
        EXPECT_TRUE(chooser()->favoris->currentText().isEmpty()) << s.name;
    }

    // Written at close in the list's order, one a line.
    w->close();
    EXPECT_EQ(readFile(prog.filePath(u"favoris.txt"_s)),
              (QStringList{a, b, upper, lower, m}.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
}

TEST_F(ChooserTest, PickingAndRemovingFavourites)
{
    const QString keep = fav(u"garde"_s);
    const QString gone = fav(u"disparu"_s, false);
    const QString other = fav(u"x"_s);
    startWith({other, keep, gone});
    EXPECT_EQ(favourites(), (QStringList{gone, keep, other})) << "sorted at load";
    const QByteArray before = readFile(prog.filePath(u"favoris.txt"_s));

    // "X" with nothing selected asks nothing.
    chooser()->favoris->setCurrentIndex(-1);
    chooser()->Button3->click();
    EXPECT_TRUE(boxes.shown.isEmpty());

    // Picking one moves the tree, and edit1 with it.
    pick(keep);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(chooser()->Liste->directory(), keep);
    EXPECT_EQ(chooser()->edit1->text(), keep);
    chooser()->btEplorer->click();
    EXPECT_EQ(opened, QStringList{keep});

    // One that vanished is reported and dropped; the tree stays.
    boxes.answers = {IdOk};
    pick(gone);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(265));
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(favourites(), (QStringList{keep, other}));
    EXPECT_EQ(chooser()->favoris->currentIndex(), -1);
    EXPECT_EQ(chooser()->Liste->directory(), keep);

    // Removing asks about the selected favourite, even with the tree elsewhere.
    struct Step {
        const char *name;
        QString selected;
        int answer;
        QStringList after;
    };
    const Step steps[] = {
        {"No keeps it", other, IdNo, {keep, other}},
        {"Yes removes it", other, IdYes, {keep}},
        {"the last one too", keep, IdYes, {}},
    };
    for (const Step &s : steps) {
        chooser()->favoris->setCurrentIndex(chooser()->favoris->findText(s.selected));
        boxes.shown.clear();
        boxes.answers = {s.answer};
        chooser()->Button3->click();
        ASSERT_EQ(boxes.shown.size(), 1) << s.name;
        EXPECT_EQ(boxes.shown[0].text, question(266, s.selected)) << s.name;
        EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo) << s.name;
        EXPECT_EQ(favourites(), s.after) << s.name;
    }

    // An empty list is not written: the old file comes back at the next start.
    w->close();
    EXPECT_EQ(readFile(prog.filePath(u"favoris.txt"_s)), before);
}

} // namespace
