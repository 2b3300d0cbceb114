#include "sfx/sfxterminal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tovo::sfx {
namespace {

volatile std::sig_atomic_t interrupted = 0;
// The terminal settings to put back if a signal ends the program while the
// echo is off.
struct termios savedSettings;
volatile std::sig_atomic_t echoOff = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

void onTermination(int signal)
{
    if (echoOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string lower(std::string s)
{
    for (char &c : s) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return s;
}

std::string trimmed(const std::string &s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The UTF-8 character at pos.
std::string characterAt(const std::string &s, std::size_t pos)
{
    std::size_t end = pos + 1;
    while (end < s.size() && (std::uint8_t(s[end]) & 0xC0) == 0x80)
        ++end;
    return s.substr(pos, end - pos);
}

} // namespace

Button ButtonOf(const std::string &text)
{
    Button b;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&' && b.key.empty())
                b.key = lower(characterAt(text, i));
        }
        b.shown.push_back(text[i]);
    }
    if (b.key.empty() && !b.shown.empty())
        b.key = lower(characterAt(b.shown, 0));
    return b;
}

std::string Fill(std::string text, char letter, const std::string &value)
{
    const char placeholder[] = {'%', letter, '\0'};
    for (std::size_t pos = text.find(placeholder); pos != std::string::npos;
         pos = text.find(placeholder, pos + value.size()))
        text.replace(pos, 2, value);
    return text;
}

std::string TerminalText(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

Terminal::Terminal(bool interactive) : m_interactive(interactive), m_stdoutTerminal(isatty(STDOUT_FILENO) != 0) {}

Terminal::~Terminal()
{
    endProgress();
}

void Terminal::say(const std::string &text)
{
    // The progress line stays last: cleared, then shown again below.
    if (m_progressShown)
        std::fputs("\r\x1b[K", stdout);
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    if (m_progressShown)
        std::fputs(m_progressText.c_str(), stdout);
    std::fflush(stdout);
}

void Terminal::warn(const std::string &text)
{
    endProgress();
    std::fflush(stdout);
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void Terminal::message(const std::string &text)
{
    if (m_interactive)
        say(text);
    else
        warn(text);
}

void Terminal::progress(const std::string &text)
{
    if (!m_stdoutTerminal)
        return;
    m_progressText = text;
    std::fputs(("\r\x1b[K" + text).c_str(), stdout);
    std::fflush(stdout);
    m_progressShown = true;
}

void Terminal::endProgress()
{
    if (!m_progressShown)
        return;
    std::fputc('\n', stdout);
    std::fflush(stdout);
    m_progressShown = false;
}

Terminal::Read Terminal::readLine(const std::string &prompt, std::string &line, bool echo)
{
    endProgress();
    line.clear();
    // The echo goes off before the prompt shows, and what was typed ahead
    // stays: an answer typed at once is neither shown nor lost.
    if (!echo && tcgetattr(STDIN_FILENO, &savedSettings) == 0) {
        struct termios quiet = savedSettings;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        echoOff = 1;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    // Ctrl+C is held back except while waiting, so one pressed before the
    // wait (even just before it) ends it as surely as one pressed during it.
    sigset_t interrupt, previous;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_BLOCK, &interrupt, &previous);
    Read result = Read::Line;
    for (;;) {
        if (takeInterrupt()) {
            result = Read::Interrupted;
            break;
        }
        struct pollfd input = {STDIN_FILENO, POLLIN, 0};
        if (::ppoll(&input, 1, nullptr, &previous) < 0) {
            if (errno == EINTR)
                continue;
            result = line.empty() ? Read::End : Read::Line;
            break;
        }
        char c;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            result = line.empty() ? Read::End : Read::Line;
            break;
        }
        if (c == '\n')
            break;
        line.push_back(c);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (echoOff) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        echoOff = 0;
        std::fputc('\n', stdout); // the Enter the echo did not show
    } else if (result != Read::Line) {
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return result;
}

int Terminal::choose(const std::string &question, const std::vector<Button> &buttons, int fallback)
{
    std::string choices;
    for (const Button &b : buttons) {
        if (!choices.empty())
            choices += " / ";
        // The accelerator letter in brackets, where it stands in the word.
        const std::string lowered = lower(b.shown);
        const std::size_t at = lowered.find(b.key);
        if (at == std::string::npos)
            choices += "[" + b.key + "] " + b.shown;
        else
            choices += b.shown.substr(0, at) + "[" + b.shown.substr(at, b.key.size()) + "]" +
                       b.shown.substr(at + b.key.size());
    }
    for (;;) {
        endProgress();
        std::string answer;
        const Read read = readLine((question.empty() ? std::string() : question + "\n") + choices + " ? ", answer);
        if (read == Read::Interrupted)
            return -1;
        if (read == Read::End)
            return fallback;
        answer = lower(trimmed(answer));
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (!answer.empty() && (answer == buttons[i].key || answer == lower(buttons[i].shown)))
                return int(i);
        }
    }
}

void Terminal::installSignalHandlers()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a waiting read returns, so the question can be put
    sigaction(SIGINT, &action, nullptr);
    action.sa_handler = onTermination;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

bool Terminal::takeInterrupt()
{
    if (!interrupted)
        return false;
    interrupted = 0;
    return true;
}

} // namespace tovo::sfx
