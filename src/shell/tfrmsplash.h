#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace tovo {

// Who made Tovo: the splash's second line, repeated atop the about box's
// credits.
inline const QString CreditLine = QStringLiteral("Conçu et réalisé par Velmora");

// The start-up splash: a borderless, screen-centred window with a picture,
// the application title and the credit line, shown while the forms are made.
class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 398;
    static constexpr int DesignHeight = 98;

    // --- handlers ---
    // Puts the application title into Label1.
    void FormShow();

    // --- controls (objectName = member name) ---
    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace tovo
