#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tovo {

// A file-name edit with a browse button of its own. The button opens an
// open-file dialog (through the message service) with the edit's filter,
// title and default extension; an accepted name replaces the text.
class TFileNameEdit : public QWidget {
    Q_OBJECT
public:
    explicit TFileNameEdit(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *button() const { return m_button; }

    // Filter in the pipe form "Archives ZIP|*.zip|Tous fichiers (*.*)|*.*".
    QString filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    QString dialogTitle() const { return m_title; }
    void setDialogTitle(const QString &title) { m_title = title; }
    QString defaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString &ext) { m_defaultExt = ext; }
    void setButtonHint(const QString &hint);

signals:
    void textChanged(const QString &text);
    void returnPressed();
    // After the browse dialog closed: the name and whether it was accepted.
    void afterDialog(const QString &name, bool accepted);

private:
    void browse();

    QLineEdit *m_edit;
    QToolButton *m_button;
    QString m_filter;
    QString m_title;
    QString m_defaultExt;
};

} // namespace tovo
