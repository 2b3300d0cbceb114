#pragma once

namespace tovo {

// Hints (tool tips) are shown exactly when enabled; an application-wide
// filter swallows tool-tip requests otherwise.
void SetHintsShown(bool shown);
bool HintsShown();

} // namespace tovo
