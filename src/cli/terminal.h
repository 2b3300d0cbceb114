#pragma once

#include <optional>

#include <QString>

namespace tovo {

bool StdinIsTerminal();
bool StderrIsTerminal();

// Shows prompt on standard error and reads one line from the terminal on
// standard input, without echo when echo is false. Nothing when standard
// input is not a terminal or is at its end.
std::optional<QString> AskOnTerminal(const QString &prompt, bool echo);

// Writes text to standard error as UTF-8.
void WriteErr(const QString &text);

} // namespace tovo
