#pragma once

namespace tovo {

// Tovo speaks French whatever the system's language: the application's
// locale is French for dates and numbers, and Qt's own dialogs and standard
// buttons are translated. Returns false when Qt's French translations are
// missing (the program then still runs, with Qt's English texts).
bool UseFrenchInterface();

} // namespace tovo
