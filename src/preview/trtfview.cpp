#include "preview/trtfview.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace tovo {
namespace {

// Lets the widget's font decide the type face and base size: only the
// document's relative sizes (its <font size>) stay.
void dropTypeFaces(QTextDocument *document)
{
    QTextCursor cursor(document);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::FontFamilies) && !format.hasProperty(QTextFormat::FontPointSize) &&
                !format.hasProperty(QTextFormat::FontPixelSize))
                continue;
            format.clearProperty(QTextFormat::FontFamilies);
            format.clearProperty(QTextFormat::FontPointSize);
            format.clearProperty(QTextFormat::FontPixelSize);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

} // namespace

TRtfView::TRtfView(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(true);
    setUndoRedoEnabled(false);
}

bool TRtfView::loadRtf(const QString &path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<QString> html = ConvertRtfToHtml(path, limits);
    QApplication::restoreOverrideCursor();
    if (!html)
        return false;
    setHtml(*html);
    dropTypeFaces(document());
    return true;
}

QVariant TRtfView::loadResource(int, const QUrl &) { return {}; }

} // namespace tovo
