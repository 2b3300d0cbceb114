#include "preview/thtmlview.h"

#include "preview/textdecoding.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTextDocument>

namespace tovo {

THtmlView::THtmlView(QWidget *parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setMouseTracking(true);
    document()->setDefaultStyleSheet(QStringLiteral(
        "pre, code, tt, kbd, samp { font-family: 'Liberation Mono', 'Courier New', Courier, monospace; }"));
    connect(this, &QTextBrowser::anchorClicked, this, &THtmlView::anchorActivated);
}

bool THtmlView::loadFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    m_pageName = QFileInfo(path).fileName();
    setHtml(DecodeTextFile(bytes, ControlDisplay::Markup));
    return true;
}

void THtmlView::clear()
{
    QTextBrowser::clear();
    m_pageName.clear();
}

void THtmlView::setDefaultFont(const QFont &font)
{
    m_defaultFont = font;
    document()->setDefaultFont(font);
}

void THtmlView::changeEvent(QEvent *event)
{
    // The browser gives its document the widget's font when that changes.
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        document()->setDefaultFont(m_defaultFont);
}

void THtmlView::followLink(const QString &target)
{
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return;
    const QString page = target.left(hash);
    if (page.isEmpty() || page == m_pageName)
        scrollToAnchor(target.mid(hash + 1));
}

QVariant THtmlView::loadResource(int, const QUrl &) { return {}; }

void THtmlView::mousePressEvent(QMouseEvent *event)
{
    // The target exactly as written: the address the browser hands over is
    // normalised (a scheme in lower case, backslashes escaped).
    m_pressedAnchor = anchorAt(event->position().toPoint());
    QTextBrowser::mousePressEvent(event);
}

void THtmlView::mouseMoveEvent(QMouseEvent *event)
{
    QTextBrowser::mouseMoveEvent(event);
    const QString anchor = anchorAt(event->position().toPoint());
    if (anchor != m_coveredAnchor) {
        m_coveredAnchor = anchor;
        emit linkCovered(anchor);
    }
}

void THtmlView::anchorActivated(const QUrl &url)
{
    QString target = m_pressedAnchor;
    m_pressedAnchor.clear();
    if (target.isEmpty()) // from the keyboard: the link under the cursor
        target = textCursor().charFormat().anchorHref();
    if (target.isEmpty())
        target = url.toString();
    emit linkClicked(target);
}

} // namespace tovo
