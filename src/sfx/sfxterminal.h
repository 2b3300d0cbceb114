// The self-extractor's dialogs on the terminal: lines out, answers in, a
// password without echo, a choice among buttons answered by their
// accelerator letter or their whole word, and Ctrl+C turned into a request
// the session confirms.
#pragma once

#include <string>
#include <vector>

namespace tovo::sfx {

// A button text of the settings ("&Oui", "To&us"): shown without its "&",
// answered by the letter after the "&" (the first letter when there is none).
struct Button {
    std::string shown;
    std::string key; // one character, lower case when it is a letter
};
Button ButtonOf(const std::string &text);

// text with every "%" + letter replaced by value.
std::string Fill(std::string text, char letter, const std::string &value);

// A text of the settings as lines for the terminal: CR LF becomes LF.
std::string TerminalText(const std::string &text);

class Terminal {
public:
    // interactive: standard input and output are a terminal to ask on.
    explicit Terminal(bool interactive);
    ~Terminal();
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    bool interactive() const { return m_interactive; }

    // A line on standard output, above the progress line if one is shown.
    void say(const std::string &text);
    // A line on standard error.
    void warn(const std::string &text);
    // A closing message: on the terminal when there is one, else on
    // standard error.
    void message(const std::string &text);
    // A line rewritten in place, on a terminal only.
    void progress(const std::string &text);
    void endProgress();

    enum class Read { Line, End, Interrupted };
    // Shows prompt and reads one answer line without its end; echo off for
    // passwords.
    Read readLine(const std::string &prompt, std::string &line, bool echo = true);

    // Asks question with buttons until one is chosen: its index, fallback at
    // the end of input, -1 when Ctrl+C interrupted the question.
    int choose(const std::string &question, const std::vector<Button> &buttons, int fallback);

    // Ctrl+C: the handler only sets a flag; takeInterrupt reads and clears it.
    static void installSignalHandlers();
    static bool takeInterrupt();

private:
    bool m_interactive;
    bool m_progressShown = false;
    std::string m_progressText;
    bool m_stdoutTerminal;
};

} // namespace tovo::sfx
