#pragma once

#include "shell/messageservice.h"

#include <QString>

namespace tovo {

// Shows a box built from label n (or, with n = -1 and for kind " ", from the
// kind text after its first character) and returns the DialogResult:
//   " "  plain box, OK, returns IdCancel (2)
//   "M"  icon by dialogType, OK, returns IdCancel whatever is pressed
//   "a".."z"  icon by dialogType, Yes/No: IdYes, IdNo, IdCancel if closed
//   other  icon by dialogType, Yes/No/Cancel
// dialogType: 2 error, 3 information, 4 confirmation, 5 none, else warning.
int ShowLabelMessage(const QString &kind, int n, int dialogType);

// The icon of a dialog type.
MessageIcon IconOfDialogType(int dialogType);

// Shows text and a closing line in a plain box, then asks the application to
// quit once control is back in the event loop; the caller's remaining steps
// still run.
void FatalError(const QString &text);
// Whether a termination was asked (by FatalError or a failed start-up step).
bool TerminationRequested();
void RequestTermination();
void ResetTerminationRequest();

} // namespace tovo
