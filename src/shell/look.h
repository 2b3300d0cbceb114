#pragma once

#include <QColor>
#include <QFont>

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

} // namespace tovo::look
