#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tovo {

// The "operation in progress" window: shown without being modal while an
// engine command runs, it is the only window that accepts input then; its
// button asks to interrupt the command.
class TInterruption : public QDialog {
    Q_OBJECT
public:
    explicit TInterruption(QWidget *parent = nullptr);

    // --- controls (objectName = member name) ---
    QLabel *Label1;
    QPushButton *BitBtn1;

protected:
    // Escape presses BitBtn1, the form's cancel button, so it asks the same
    // question as a click.
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
};

} // namespace tovo
