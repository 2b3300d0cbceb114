#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLatin1String>
#include <QObject>

class QProgressBar;
class QPushButton;
class QString;
class QWidget;

namespace tovo::look {

// The forms' look: teal background, white Arial 13 px text.
inline const QColor Teal(0x00, 0x80, 0x80);
inline const QColor Maroon(0x80, 0x00, 0x00);
inline const QColor Splitter(0xFF, 0xFF, 0x00);
inline const QColor Grey(0x80, 0x80, 0x80);

// Arial at a pixel size (fonts-liberation gives its metric twin).
QFont arial(int pixelSize, bool bold = false, bool italic = false);
// Teal window, white text; edit fields and lists keep a white base with black
// text; a disabled control shows dimmed texts.
void applyFormLook(QWidget *form);
// A plain panel of a given background colour (black headers, info panels).
void paintPanel(QWidget *panel, const QColor &background, const QColor &text = Qt::white);
// Tree branch arrows and spin box arrows are drawn in the window text
// colour, which is white on the forms: these controls keep it dark so their
// arrows show on their light faces.
void darkIndicators(QWidget *control);

// Tovo's icon (a closed box with a zip), from the PNG sizes of data/icones
// built into the program.
QIcon programIcon();

// Gives a control its name (its objectName) and returns it.
template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}
// A push button that never becomes the default one by getting the focus.
QPushButton *plainButton(QWidget *parent, const char *name, const QString &text);
// Moves a window so that its frame is centred on its screen.
void centerOnScreen(QWidget *window);
// Sets a progress bar to a byte count out of a maximum; bars count in int,
// so large counts are scaled down together.
void setGauge(QProgressBar *bar, qint64 value, qint64 maximum);

} // namespace tovo::look
