#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tovo {

// The extraction confirmation: shows what is extracted, lets the user set the
// destination directory and the two switches, and answers IdYes (BitBtn1) or
// IdNo (BitBtn2, also Escape).
class TConf : public QDialog {
    Q_OBJECT
public:
    explicit TConf(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 435;
    static constexpr int DesignHeight = 300;

    // --- controls (objectName = member name) ---
    QLabel *Label1;
    QLabel *NomF;
    QLabel *lb_rep;
    QLabel *LbConfirmer;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QCheckBox *OuvRep;
    QCheckBox *RemplForce;
    QLineEdit *RepDest;
    QPushButton *btEgale;
    QToolButton *OuvreRepertoireDestination;
    QToolButton *SelRepDest;

public slots:
    // Escape answers No, as BitBtn2 does.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace tovo
