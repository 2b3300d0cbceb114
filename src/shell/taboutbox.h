#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tovo {

// The about box: the application title in large type, what Tovo is, the
// credits, and "Hop!" to close it.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 380;
    static constexpr int DesignHeight = 270;

    // --- handlers ---
    // Vtovo takes the application title; the credit line heads the memo
    // (once, however often the box is shown).
    void FormShow();

    // --- controls (objectName = member name) ---
    QLabel *Vtovo;
    QLabel *lb_gest;
    QPlainTextEdit *Memo1;
    QPushButton *Hop;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace tovo
