#pragma once

#include <QTextBrowser>

namespace tovo {

// The HTML viewer of the preview pane (html). Shows one page from a file and
// never follows a link by itself: a click raises linkClicked with the target
// as written in the page, and the owner decides; followLink then does what a
// viewer does on its own with a link, which here is only scrolling to an
// anchor of the shown page. Nothing outside the page is ever loaded, neither
// from files nor from the network (no picture, no style sheet, no frame).
class THtmlView : public QTextBrowser {
    Q_OBJECT
public:
    explicit THtmlView(QWidget *parent = nullptr);

    // Shows the page in path (UTF-8 or Windows-1252); false when the file
    // cannot be read.
    bool loadFromFile(const QString &path);
    void clear();
    // The font of pages that name none; pre, code and the like use a
    // fixed-pitch font of the same size. It stays whatever font the widget
    // inherits from its parents.
    void setDefaultFont(const QFont &font);
    QFont defaultFont() const { return m_defaultFont; }
    // What a viewer does with a link the owner did not handle: a link to an
    // anchor of this page (or to this page's own file name) scrolls there.
    void followLink(const QString &target);

signals:
    void linkClicked(const QString &target);
    // The pointer rests on a link (target) or left it (empty).
    void linkCovered(const QString &target);

protected:
    QVariant loadResource(int type, const QUrl &name) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void anchorActivated(const QUrl &url);

    QFont m_defaultFont;
    QString m_pageName;
    QString m_pressedAnchor;
    QString m_coveredAnchor;
};

} // namespace tovo
