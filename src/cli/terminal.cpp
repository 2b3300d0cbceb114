#include "cli/terminal.h"

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace tovo {

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void WriteErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

std::optional<QString> AskOnTerminal(const QString &prompt, bool echo)
{
    if (!StdinIsTerminal())
        return std::nullopt;
    WriteErr(prompt);
    termios saved{};
    const bool hide = !echo && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    bool gotLine = false;
    for (int c; (c = std::getchar()) != EOF;) {
        gotLine = true;
        if (c == '\n')
            break;
        line += char(c);
    }
    if (hide)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!gotLine)
        return std::nullopt;
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

} // namespace tovo
