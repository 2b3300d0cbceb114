#pragma once

class QWidget;

namespace tovo {

// Gives the controls under root that the user acts on (buttons, edits,
// combos, spin boxes, sliders, lists, trees) and that have no accessible
// name the one a screen reader should say: their caption, else the label
// they belong to (QLabel::setBuddy, also on a composite control whose focus
// they take), else the first line of their hint. A caption of signs only
// ("...", "=") names nothing. Captioned controls are left to Qt, which
// reads the caption as it changes.
void NameControls(QWidget *root);

// Names the controls of every window now, and of every window shown later,
// once its texts are in place.
void NameControlsOfAllWindows();

} // namespace tovo
