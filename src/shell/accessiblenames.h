#pragma once

#include <QString>

class QWidget;

namespace tovo {

// Whether w is a control the user acts on (button, edit, combo, spin box,
// slider, list or tree), not a part of another control.
bool IsInteractiveControl(const QWidget *w);

// The name a screen reader gives w: its caption, else the label it belongs
// to (QLabel::setBuddy, also on a control standing for a composite one),
// else the first line of its hint. A caption of signs only ("...", "=")
// names nothing. Empty when none applies.
QString AccessibleNameFor(const QWidget *w);

// Gives the interactive controls under root that have no accessible name
// the one the rule above finds, where Qt would not find it itself (a
// caption is read by Qt as it changes).
void NameControls(QWidget *root);

// Names the controls of every window now, and of every window shown later,
// once its texts are in place.
void NameControlsOfAllWindows();

} // namespace tovo
