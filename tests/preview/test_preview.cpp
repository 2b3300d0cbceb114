// The preview pane: viewers, failures in the memo, the copy in TempDir, text
// controls and links, through the fake modules, then the real reading module.
#include "platform/freespace.h"
#include "platform/opendocument.h"
#include "preview/tfullslide.h"
#include "preview/tgifview.h"
#include "preview/thtmlview.h"
#include "preview/timageview.h"
#include "preview/trtfview.h"
#include "preview/ttextlistview.h"
#include "preview/ttextmemo.h"
#include "support/mainwindowfixture.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>

#include <sys/stat.h>

using namespace tovo;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

// One entry of the fake archive and what its extraction does.
struct Entry {
    QString name;
    QByteArray content;
    int code = 0;         // what the extraction returns
    bool partial = false; // a failed extraction still leaves a file
    const char *mode = nullptr;
    int done = 0; // bytes reported done while the copy is extracted
};

// A 1 x 1 GIF.
const QByteArray TinyGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,"
                         "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02" "D\x01\x00;",
                         43);

QByteArray imageBytes(QImage::Format format, const char *type)
{
    QImage image(8, 6, format);
    image.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, type);
    return bytes;
}

// An HTML page of exactly size bytes.
QByteArray pageOf(qsizetype size, const QByteArray &body)
{
    QByteArray page = "<html><body>" + body;
    return page + QByteArray(size - page.size() - 14, ' ') + "</body></html>";
}

const QByteArray Rtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 "
                     "\\'c9t\\'e9 : une \\'9cuvre \\'e0 10 \\'80.\\par}");

class PreviewTest : public test::MainWindowFixture {
protected:
    QTemporaryDir data;
    QStringList opened;
    bool openSucceeds = true;
    QString archive;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        platform::SetDocumentOpener([this](const QString &target) {
            opened << target;
            return openSucceeds;
        });
    }

    void TearDown() override
    {
        platform::SetDocumentOpener({});
        platform::SetFreeSpaceProbe({});
        MainWindowFixture::TearDown();
    }

    static QByteArray encoded(const QString &text) { return QUrl::toPercentEncoding(text, "/"); }

    // Lists entries and, for each, scripts its extraction: the extracting
    // event with its size, the copy written, the result.
    void openArchive(const QList<Entry> &entries)
    {
        QByteArray text = "when -v\n";
        for (const Entry &e : entries)
            text += "80 name=" + encoded(e.name) + " size=" + QByteArray::number(e.content.size()) + "\n";
        for (int i = 0; i < entries.size(); ++i) {
            const Entry &e = entries[i];
            const QString source = data.filePath(QString::number(i));
            ASSERT_TRUE(writeFile(source, e.content));
            const QByteArray stats = " name=" + encoded(e.name) + " size=" + QByteArray::number(e.content.size());
            text += "when " + encoded(e.name) + "\n60" + stats + "\n";
            if (e.done)
                text += "1030" + stats + " done=" + QByteArray::number(e.done) + "\n";
            if (e.code == 0 || e.partial)
                text += "file name=" + encoded(e.name) + " from=" + encoded(source) +
                        (e.mode ? QByteArray(" mode=") + e.mode : QByteArray()) + "\n";
            text += "return " + QByteArray::number(e.code) + "\n";
        }
        script(text);
        archive = makeArchive(QStringLiteral("arch/test.zip"));
        if (!w)
            start();
        w->NomFic->setText(archive);
        w->BtActuClick();
        ASSERT_EQ(w->Entries->count(), entries.size());
    }

    void click(int row)
    {
        w->ListeficsZip->setCurrentIndex(w->Entries->index(row));
        w->ListeFicsZipClick();
    }

    // The viewer on screen, by name ("" when none).
    QString shownViewer() const
    {
        QStringList shown;
        for (QWidget *v : std::initializer_list<QWidget *>{w->GIFImage, w->Memo1, w->RTF, w->html, w->PMultiMedia1,
                                                            w->ListeTexte})
            if (v->isVisible())
                shown << v->objectName();
        return shown.join(QLatin1Char('+'));
    }

    QStringList memoLines() const { return w->Memo1->toPlainText().split(QLatin1Char('\n')); }

    bool extracted() const
    {
        for (const QStringList &call : calls())
            if (call.contains(QStringLiteral("-d")))
                return true;
        return false;
    }
};

TEST_F(PreviewTest, EachClassGoesToItsViewer)
{
    start();
    struct Case {
        Entry entry;
        bool html;
        const char *viewer;
        QString shows;        // a text the viewer holds ("" : not checked)
        bool caption = false; // the pane's caption is emptied
    };
    const QByteArray frameset = "<FRAMESET cols=\"50%,50%\"><frame src=\"a.htm\"></frameset>";
    const Case cases[] = {
        {{QStringLiteral("page.HTML"), pageOf(300, "<p>Bonjour</p>")}, true, "html", QStringLiteral("Bonjour")},
        {{QStringLiteral("source.htm"), pageOf(20000, "<p>Source</p>")}, false, "Memo1", QStringLiteral("<p>Source</p>"), true},
        {{QStringLiteral("cadre.htm"), pageOf(3999, frameset.toLower())}, true, "ListeTexte", {}},
        {{QStringLiteral("cadre4000.htm"), pageOf(4000, frameset)}, true, "html", {}},
        {{QStringLiteral("vide.htm"), ""}, true, "", {}},
        {{QStringLiteral("t32000.txt"), QByteArray(32000, 'a')}, true, "Memo1", {}, true},
        {{QStringLiteral("t32001.txt"), QByteArray(32001, 'a')}, true, "ListeTexte", {}, true},
        {{QStringLiteral("anim.GIF2"), TinyGif}, true, "GIFImage", {}, true},
        {{QStringLiteral("casse.gif"), "GIF89a tronqué"}, true, "Memo1", GetLabel(141)},
        {{QStringLiteral("photo.png"), imageBytes(QImage::Format_RGB32, "PNG")}, true, "PMultiMedia1", {}},
        {{QStringLiteral("noir-blanc.bmp"), imageBytes(QImage::Format_Mono, "BMP")}, true, "PMultiMedia1", {}},
        {{QStringLiteral("casse.jpg"), "pas un JPEG"}, true, "Memo1", GetLabel(140)},
        {{QStringLiteral("lettre.rtf"), Rtf}, true, "RTF", QStringLiteral("Été : une œuvre à 10 €."), true},
        {{QStringLiteral("setup.exe"), "MZ", 0, false, "4755"}, true, "Memo1", DisplayText(GetLabel(135))},
    };
    QList<Entry> entries;
    for (const Case &c : cases)
        entries << c.entry;
    openArchive(entries);
    for (int row = 0; row < entries.size(); ++row) {
        const Case &c = cases[row];
        const std::string name = c.entry.name.toStdString();
        w->cHTML->setChecked(c.html);
        click(row);
        EXPECT_EQ(shownViewer(), QString::fromLatin1(c.viewer)) << name;
        EXPECT_EQ(w->TempFile, TempDir() + c.entry.name) << name;
        EXPECT_EQ(readFile(w->TempFile), c.entry.content) << name;
        // Every copy is a private plain file, programs included.
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(w->TempFile).constData(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
        const QString viewer = QString::fromLatin1(c.viewer);
        if (!c.shows.isEmpty()) {
            const QString text = viewer == QLatin1String("html") ? w->html->toPlainText()
                                 : viewer == QLatin1String("RTF") ? w->RTF->toPlainText()
                                                                  : w->Memo1->toPlainText();
            EXPECT_TRUE(text.contains(c.shows)) << name << ": " << text.toStdString();
        }
        // A two-colour picture is shown on white, any other on grey, fitted.
        if (viewer == QLatin1String("PMultiMedia1")) {
            EXPECT_EQ(w->PMultiMedia1->backgroundColour(), name == "noir-blanc.bmp" ? QColor(Qt::white) : QColor(0x808080));
            EXPECT_TRUE(w->PMultiMedia1->stretchRatio());
            EXPECT_EQ(w->PMultiMedia1->picture().size(), QSize(8, 6));
        }
        // Pages, pictures and messages leave the caption as it was.
        EXPECT_EQ(w->PanelDroite->text().isEmpty(), c.caption) << name;
        EXPECT_TRUE(w->isEnabled() && w->ListeficsZip->isEnabled()) << name;
        EXPECT_EQ(w->focusWidget(), w->ListeficsZip) << name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(PreviewTest, FailedExtractionsAreWrittenInTheMemo)
{
    start();
    struct Case {
        Entry entry;
        QStringList lines;
    };
    const QString name = QStringLiteral("dossier/texte.txt");
    const auto headed = [&](const QStringList &rest) { return QStringList{QStringLiteral("  ") + name + " :"} + rest; };
    const Case cases[] = {
        {{name, "x", 180}, {GetLabel(136)}},
        {{name, "x", 40}, headed({GetLabel(137)})},
        {{name, "x", 190}, headed({GetLabel(138) + QStringLiteral(" Code: 190"), QString(), GetLabel(93)})},
        // A full disk: the module's write error, and no half copy left.
        {{name, "x", 160, true}, headed({GetLabel(138) + QStringLiteral(" Code: 160"), QString(), GetLabel(91)})},
    };
    for (const Case &c : cases) {
        openArchive({c.entry});
        click(0);
        EXPECT_EQ(memoLines(), c.lines) << c.entry.code;
        EXPECT_EQ(shownViewer(), QStringLiteral("Memo1")) << c.entry.code;
        EXPECT_FALSE(QFileInfo::exists(w->TempFile)) << c.entry.code;
        EXPECT_TRUE(w->isEnabled() && w->ListeficsZip->isEnabled()) << c.entry.code;
        EXPECT_EQ(w->focusWidget(), w->ListeficsZip) << c.entry.code;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(PreviewTest, SameEntryAgainAndClearPreview)
{
    openArchive({{QStringLiteral("a.txt"), "premier"}, {QStringLiteral("b.txt"), "second"}});
    click(0);
    ASSERT_TRUE(QFileInfo::exists(w->TempFile));
    QFile::remove(fakeLogPath());
    click(0);
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("premier"));
    EXPECT_FALSE(QFileInfo::exists(w->TempFile));
    EXPECT_FALSE(extracted());
    // The HTML switch shows the same entry again.
    w->cHTML->click();
    EXPECT_TRUE(extracted());
    EXPECT_TRUE(QFileInfo::exists(w->TempFile));

    EXPECT_FALSE(w->TailleFD->text().isEmpty());
    w->PanelDroite->setText(QStringLiteral("X"));
    w->ClearPreview();
    w->ClearPreview();
    EXPECT_EQ(w->PanelDroite->text(), QStringLiteral("[ X ]"));
    EXPECT_EQ(w->libfic->text(), QStringLiteral("a.txt"));
    EXPECT_EQ(shownViewer(), QString());
    w->ListeficsZip->setCurrentIndex(QModelIndex());
    w->ClearPreview();
    EXPECT_EQ(w->libfic->text(), QLatin1Char(' ') + GetLabel(219));
    EXPECT_TRUE(w->TailleFD->text().isEmpty() && w->DateFic->text().isEmpty());
    // No entry focused: nothing to preview, and nothing to refresh or delete.
    w->ListeFicsZipClick();
    EXPECT_FALSE(w->Actu->isEnabled());
    EXPECT_FALSE(w->Suppr->isEnabled());
}

TEST_F(PreviewTest, FreeSpaceCheck)
{
    struct Case {
        const char *name;
        bool desacTaille;
        std::optional<qint64> free;
        bool extracts;
    };
    const Case cases[] = {
        {"check off", true, 10, true},
        {"too little space", false, 10, false},
        {"enough space", false, 1000, true},
        {"free space unknown", false, std::nullopt, true},
        {"no positive value", false, 0, true},
    };
    openArchive({{QStringLiteral("a.txt"), QByteArray(1000, 'a')}, {QStringLiteral("b.txt"), "b"}});
    for (const Case &c : cases) {
        AppForms().EOptions->DesacTaille->setChecked(c.desacTaille);
        platform::SetFreeSpaceProbe([&](const QString &path) {
            EXPECT_EQ(path, TempDir());
            return c.free;
        });
        click(1);
        QFile::remove(fakeLogPath());
        click(0);
        EXPECT_EQ(extracted(), c.extracts) << c.name;
        if (!c.extracts) {
            EXPECT_EQ(memoLines(), QStringList{GetLabel(134)}) << c.name;
        }
    }
}

TEST_F(PreviewTest, HostileNamesStayInsideTempDir)
{
    // Every refused name is a row of PreviewRules.CopyStaysAFileOfTempDir.
    openArchive({{QStringLiteral("dossier/.."), "x"}, {QStringLiteral("../../evil.txt"), "mal"}});
    click(0);
    EXPECT_FALSE(extracted());
    EXPECT_TRUE(w->TempFile.isEmpty());
    EXPECT_EQ(memoLines(), (QStringList{QStringLiteral("  ") + w->Entries->fullName(0) + " :", GetLabel(138), QString()}));
    click(1);
    const QStringList expected{QString(), QStringLiteral("-10"), QStringLiteral("-2-1"), QStringLiteral("-j"),
                               archive,   QStringLiteral("../../evil.txt"), QStringLiteral("-d"), TempDir()};
    EXPECT_EQ(calls().last(), expected);
    EXPECT_EQ(w->TempFile, TempDir() + QStringLiteral("evil.txt"));
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("mal"));
}

// The working folder removed behind our back, and a link put at its place.
TEST_F(PreviewTest, TheWorkingFolderIsMadeAgainPrivateOrRefused)
{
    openArchive({{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "b"}});
    const QString work = data.filePath(QStringLiteral("travail"));
    SetTempDir(work);
    click(0);
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("a"));
    struct stat st;
    ASSERT_EQ(::lstat(QFile::encodeName(work).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ASSERT_TRUE(QDir(work).removeRecursively());
    const QString elsewhere = data.filePath(QStringLiteral("ailleurs"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, work));
    QFile::remove(fakeLogPath());
    click(1);
    EXPECT_FALSE(extracted());
    EXPECT_EQ(w->Memo1->toPlainText(), GetLabel(132).replace(u'\r', u'\n'));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    QFile::remove(work);
}

TEST_F(PreviewTest, ReadOnlyCopyIsDeletedOnlyAfterYes)
{
    openArchive({{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "b"}, {QStringLiteral("c.txt"), "c"}});
    // A copy left by an earlier run is replaced without a question.
    ASSERT_TRUE(writeFile(TempDir() + QStringLiteral("c.txt"), "ancien"));
    click(2);
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("c"));
    EXPECT_TRUE(boxes.shown.isEmpty());
    for (const int answer : {IdNo, IdYes}) {
        click(0);
        const QString copy = w->TempFile;
        QFile::setPermissions(copy, QFileDevice::ReadOwner);
        boxes.shown.clear();
        boxes.answers = {answer};
        click(answer == IdNo ? 1 : 2);
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown[0].text, copy + GetLabel(128));
        EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(QFileInfo::exists(copy), answer == IdNo);
        EXPECT_EQ(w->Memo1->toPlainText(), answer == IdNo ? QStringLiteral("b") : QStringLiteral("c"));
    }
}

TEST_F(PreviewTest, LinksOfAPage)
{
    const QByteArray index = "<html><body><a href=\"docs/readme.htm\">lire</a><p>" + QByteArray("<br>").repeated(200) +
                             "<a name=\"bas\">bas</a></body></html>";
    openArchive({{QStringLiteral("index.htm"), index},
                 {QStringLiteral("pages/readme.htm"), "<p>Lisez-moi</p>"},
                 {QStringLiteral("autre/readme.htm"), "<p>Autre</p>"},
                 {QStringLiteral("page.htm"), "<p>Page</p>"}});
    struct Case {
        const char *src;
        int row; // the entry previewed afterwards
        bool opens;
    };
    const Case cases[] = {
        {"docs/readme.htm", 1, false},
        {"docs\\readme.htm", 1, false},
        {"README.HTM", 0, false},
        {"page.htm#part", 0, false},
        {"http://exemple.org/", 0, true},
        {"https://exemple.org/", 0, true},
        {"ftp://ftp.exemple.org/f", 0, true},
        {"http://exemple.org/readme.htm", 1, false}, // the entries are looked at first
        {"HTTP://EXEMPLE.ORG/", 0, false},
        {"mailto:a@exemple.org", 0, false},
    };
    for (const Case &c : cases) {
        click(0);
        opened.clear();
        bool handled = true;
        w->htmlHotSpotClick(QString::fromLatin1(c.src), handled);
        EXPECT_FALSE(handled) << c.src;
        EXPECT_EQ(w->ListeficsZip->currentIndex().row(), c.row) << c.src;
        EXPECT_EQ(w->LastPreviewed, w->Entries->fullName(c.row)) << c.src;
        EXPECT_EQ(opened, c.opens ? QStringList{QString::fromLatin1(c.src)} : QStringList()) << c.src;
    }

    // With the mouse: the pointer shows the target, a click previews it, and
    // an anchor of the page scrolls the viewer.
    click(0);
    QTextCursor link = w->html->document()->find(QStringLiteral("lire"));
    const QPoint at = w->html->cursorRect(link).center() - QPoint(4, 0);
    QTest::mouseMove(w->html->viewport(), at);
    EXPECT_EQ(w->html->toolTip(), QStringLiteral("docs/readme.htm"));
    QTest::mouseClick(w->html->viewport(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
    EXPECT_EQ(w->ListeficsZip->currentIndex().row(), 1);
    EXPECT_TRUE(w->html->toPlainText().contains(QStringLiteral("Lisez-moi")));
    click(0);
    ASSERT_EQ(w->html->verticalScrollBar()->value(), 0);
    emit w->html->linkClicked(QStringLiteral("#bas"));
    QApplication::processEvents();
    EXPECT_GT(w->html->verticalScrollBar()->value(), 0);
}

TEST_F(PreviewTest, TextControlsRestyleAndPersist)
{
    openArchive({{QStringLiteral("page.htm"), "<html><body><p>Texte</p></body></html>"}});
    click(0);
    EXPECT_EQ(shownViewer(), QStringLiteral("html"));
    // Unchecking the switch shows the page's source.
    w->cHTML->click();
    EXPECT_EQ(shownViewer(), QStringLiteral("Memo1"));
    EXPECT_TRUE(w->Memo1->toPlainText().startsWith(QStringLiteral("<html>")));

    const int mono = w->police->findText(QStringLiteral("Liberation Mono"));
    ASSERT_GE(mono, 0);
    w->police->setCurrentIndex(mono);
    emit w->police->activated(mono);
    w->Taille->setValue(16);
    const auto check = [&](const char *when) {
        for (QWidget *viewer : std::initializer_list<QWidget *>{w->ListeTexte, w->Memo1, w->RTF}) {
            EXPECT_EQ(viewer->font().family(), QStringLiteral("Liberation Mono")) << when << viewer->objectName().toStdString();
            EXPECT_EQ(viewer->font().pointSize(), 16) << when << viewer->objectName().toStdString();
        }
        EXPECT_EQ(w->html->defaultFont().family(), QStringLiteral("Liberation Mono")) << when;
        EXPECT_EQ(w->html->defaultFont().pointSize(), 16) << when;
        EXPECT_FALSE(w->cHTML->isChecked()) << when;
    };
    check("changed");
    // A bold caption of the pane (a command running) reaches no viewer.
    QFont bold = w->PanelDroite->font();
    bold.setBold(true);
    w->PanelDroite->setFont(bold);
    EXPECT_FALSE(w->Memo1->font().bold());
    EXPECT_EQ(w->html->document()->defaultFont().family(), QStringLiteral("Liberation Mono"));

    w->close();
    DestroyForms();
    start();
    check("after a new start");
}

TEST_F(PreviewTest, UserClicksAndKeysPreviewProgramChangesDoNot)
{
    openArchive({{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "b"}, {QStringLiteral("c.txt"), "c"}});
    QListView *list = w->ListeficsZip;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(w->Entries->index(1)).center());
    EXPECT_EQ(w->LastPreviewed, QStringLiteral("b.txt"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(w->LastPreviewed, QStringLiteral("c.txt"));
    list->setCurrentIndex(w->Entries->index(0));
    EXPECT_EQ(w->LastPreviewed, QStringLiteral("c.txt"));
    // Enter in the password field shows the focused entry.
    emit w->MotDePasse->returnPressed();
    EXPECT_EQ(w->LastPreviewed, QStringLiteral("a.txt"));
}

TEST_F(PreviewTest, DoubleClickShowsThePreviewedPictureFullScreen)
{
    struct Case {
        Entry entry;
        int gauge;         // the progress bar of a running archive operation
        QColor background; // invalid: not opened
    };
    const QByteArray colour = imageBytes(QImage::Format_RGB32, "BMP");
    const Case cases[] = {
        {{QStringLiteral("couleurs.bmp"), colour}, 0, Qt::black},
        {{QStringLiteral("noir-blanc.bmp"), imageBytes(QImage::Format_Mono, "BMP")}, 0, Qt::white},
        // The copy's progress moved the bar: once copied, it is no operation.
        {{QStringLiteral("grande.bmp"), colour, 0, false, nullptr, int(colour.size() / 2)}, 0, Qt::black},
        {{QStringLiteral("pendant.bmp"), colour}, 40, {}},
    };
    QList<Entry> entries;
    for (const Case &c : cases)
        entries << c.entry;
    openArchive(entries);
    TFullSlide *slide = AppForms().FullSlide;
    for (int row = 0; row < entries.size(); ++row) {
        const Case &c = cases[row];
        SCOPED_TRACE(c.entry.name.toStdString());
        boxes.dialogs.clear();
        click(row);
        ASSERT_TRUE(w->PMultiMedia1->isVisible());
        w->Gauge->setValue(c.gauge);
        slide->MultiImage1->setStretchRatio(false);
        QImage shown;
        QColor background;
        bool fitted = false;
        boxes.formAnswers = {[&](QDialog *) {
            shown = slide->MultiImage1->picture();
            background = slide->MultiImage1->backgroundColour();
            fitted = slide->MultiImage1->stretchRatio();
            return int(QDialog::Rejected);
        }};
        // A double click starts with a click (QTest sends only its second half).
        const bool gifStretched = w->GIFImage->stretch();
        QTest::mouseClick(w->PMultiMedia1, Qt::LeftButton);
        EXPECT_FALSE(w->PMultiMedia1->stretchRatio());
        EXPECT_NE(w->GIFImage->stretch(), gifStretched);
        QTest::mouseDClick(w->PMultiMedia1, Qt::LeftButton);
        EXPECT_EQ(boxes.dialogs.size(), c.background.isValid() ? 1 : 0);
        EXPECT_EQ(background, c.background);
        if (c.background.isValid()) {
            EXPECT_EQ(shown.size(), QSize(8, 6));
            EXPECT_TRUE(fitted);
            EXPECT_TRUE(w->PMultiMedia1->stretchRatio()); // fitted again after closing
        }
        w->Gauge->setValue(0);
    }
    // A click on the GIF player switches both too; a right click does not.
    w->GIFImage->show();
    const bool fittedBefore = w->PMultiMedia1->stretchRatio();
    QTest::mouseClick(w->GIFImage, Qt::RightButton);
    EXPECT_EQ(w->PMultiMedia1->stretchRatio(), fittedBefore);
    QTest::mouseClick(w->GIFImage, Qt::LeftButton);
    EXPECT_NE(w->PMultiMedia1->stretchRatio(), fittedBefore);
}

TEST_F(PreviewTest, OpeningACopyAsksAsItsTypeRequiresAndReportsAFailure)
{
    // Each step: the answer given (0: no question expected), whether the copy opens.
    const std::tuple<const char *, QByteArray, int, std::vector<std::pair<int, bool>>> cases[] = {
        {"setup.exe", "MZ", 151, {{IdYes, true}, {IdYes, true}, {IdNo, false}}},
        {"report.docx", "PK", 151, {{IdNo, false}, {IdYes, true}}},
        {"outil", "\x7f" "ELF", 151, {{IdYes, true}}},
        {"notes.txt", "#!/bin/sh\n", 151, {{IdNo, false}}},
        {"photo.jpg", "\xff\xd8", 153, {{IdNo, false}, {IdYes, true}, {0, true}, {0, true}}},
    };
    QList<Entry> entries;
    for (const auto &c : cases)
        entries << Entry{QStringLiteral("dossier/") + QString::fromLatin1(std::get<0>(c)), std::get<1>(c)};
    openArchive(entries);
    for (int row = 0; row < entries.size(); ++row) {
        const auto &[fileName, content, label, steps] = cases[row];
        SCOPED_TRACE(fileName);
        w->DocExecConfirmed = false;
        click(row);
        const QString copy = w->TempFile;
        ASSERT_TRUE(QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner));
        bool anyOpened = false;
        for (const auto &[answer, opens] : steps) {
            boxes.shown.clear();
            opened.clear();
            if (answer)
                boxes.answers.push_back(answer);
            w->Exec1->trigger();
            ASSERT_EQ(boxes.shown.size(), answer ? 1 : 0);
            if (answer) {
                EXPECT_EQ(boxes.shown[0].text, GetLabel(label) + QStringLiteral("\r ") + QString::fromLatin1(fileName) +
                                                   QLatin1Char('\r') + GetLabel(label + 1));
                EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo);
                EXPECT_EQ(boxes.shown[0].icon, label == 151 ? MessageIcon::Warning : MessageIcon::Question);
            }
            EXPECT_EQ(opened, opens ? QStringList{copy} : QStringList());
            anyOpened = anyOpened || opens;
        }
        // What is opened is opened as a document, never run.
        EXPECT_EQ(bool(QFile::permissions(copy) & QFileDevice::ExeOwner), !anyOpened);
    }
    EXPECT_EQ(boxes.unexpected, 0);

    // The photo, confirmed: nothing without a focused entry or a copy; a failed launch is reported.
    const QString copy = w->TempFile;
    boxes.shown.clear();
    opened.clear();
    w->ListeficsZip->setCurrentIndex(QModelIndex());
    w->Exec1->trigger();
    w->ListeficsZip->setCurrentIndex(w->Entries->index(4));
    ASSERT_TRUE(QFile::remove(copy));
    w->Exec1->trigger();
    EXPECT_TRUE(opened.isEmpty() && boxes.shown.isEmpty());

    ASSERT_TRUE(writeFile(copy, "\xff\xd8"));
    openSucceeds = false;
    w->Exec1->trigger();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(155) + QStringLiteral(" : 31"));
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok);
}

TEST_F(PreviewTest, DoubleClickOnAnEntryTogglesItsCheckMarkOnly)
{
    openArchive({{QStringLiteral("setup.exe"), "MZ"}, {QStringLiteral("b.txt"), "b"}});
    const QPoint onText = w->ListeficsZip->visualRect(w->Entries->index(0)).center() + QPoint(40, 0);
    QTest::mouseClick(w->ListeficsZip->viewport(), Qt::LeftButton, {}, onText);
    ASSERT_TRUE(QFileInfo::exists(w->TempFile));
    QTest::mouseDClick(w->ListeficsZip->viewport(), Qt::LeftButton, {}, onText);
    EXPECT_TRUE(w->Entries->isChecked(0) && !w->Entries->isChecked(1));
    EXPECT_TRUE(w->ExtraireUn->isChecked());
    QTest::mouseDClick(w->ListeficsZip->viewport(), Qt::LeftButton, {}, onText);
    EXPECT_FALSE(w->Entries->isChecked(0));
    EXPECT_TRUE(opened.isEmpty() && boxes.shown.isEmpty());
}

// Archives made by Python's zipfile, through the real reading module.

TEST_F(PreviewTest, RealArchive)
{
    const QString made = data.filePath(QStringLiteral("reel.zip"));
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile\n"
                                 "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                 "    z.writestr('fr/cp1252.txt', 'Ça coûte 10 € — une œuvre\\r\\n'.encode('cp1252'))\n"
                                 "    z.writestr('fr/utf8.txt', 'Ça coûte 10 € — une œuvre\\n'.encode('utf-8'))\n"
                                 "    z.writestr('lettre.rtf', sys.argv[2])\n"
                                 "    z.writestr('site/index.html', '<p><a href=\"autre.html\">suite</a></p>')\n"
                                 "    z.writestr('site/autre.html', '<p>Autre page</p>')\n"
                                 "    z.writestr('../evil.txt', 'mal')\n"),
                  made, QString::fromLatin1(Rtf)});
    ASSERT_TRUE(python.waitForFinished(60000) && python.exitCode() == 0);
    start();
    w->XZip->SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    w->NomFic->setText(made);
    w->BtActuClick();
    ASSERT_EQ(w->Entries->count(), 6);

    const QString french = QStringLiteral("Ça coûte 10 € — une œuvre");
    click(0);
    EXPECT_EQ(w->Memo1->toPlainText(), french + QLatin1Char('\n'));
    click(1);
    EXPECT_EQ(w->Memo1->toPlainText(), french + QLatin1Char('\n'));
    click(2);
    EXPECT_EQ(shownViewer(), QStringLiteral("RTF"));
    EXPECT_EQ(w->RTF->document()->firstBlock().text().trimmed(), QStringLiteral("Été : une œuvre à 10 €."));
    click(3);
    EXPECT_EQ(shownViewer(), QStringLiteral("html"));
    bool handled = true;
    w->htmlHotSpotClick(QStringLiteral("autre.html"), handled);
    EXPECT_EQ(w->LastPreviewed, QStringLiteral("site/autre.html"));
    EXPECT_EQ(w->html->toPlainText(), QStringLiteral("Autre page"));
    // The module refuses the name (code 10); nothing lands outside TempDir.
    click(5);
    EXPECT_EQ(memoLines().value(1), GetLabel(138) + QStringLiteral(" Code: 10"));
    EXPECT_FALSE(QFileInfo::exists(QDir(TempDir()).filePath(QStringLiteral("../evil.txt"))));
    EXPECT_FALSE(QFileInfo::exists(w->TempFile));

    // An encrypted entry: label 137, then the password typed and Enter show it.
    const QString secret = data.filePath(QStringLiteral("secret.zip"));
    ASSERT_TRUE(writeFile(data.filePath(QStringLiteral("secret.txt")), "confidentiel"));
    QProcess zip;
    zip.setWorkingDirectory(data.path());
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-P"), QStringLiteral("sésame"), secret,
                                      QStringLiteral("secret.txt")});
    ASSERT_TRUE(zip.waitForFinished(60000) && zip.exitCode() == 0);
    w->NomFic->setText(secret);
    w->BtActuClick();
    click(0);
    EXPECT_EQ(memoLines(), (QStringList{QStringLiteral("  secret.txt :"), GetLabel(137)}));
    w->MotDePasse->setText(QStringLiteral("sésame"));
    emit w->MotDePasse->returnPressed();
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("confidentiel"));
    EXPECT_EQ(boxes.unexpected, 0);
}

} // namespace
