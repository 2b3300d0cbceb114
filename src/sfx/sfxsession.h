// One run of the self-extractor: the dialogs the settings ask for, around the
// reading module's own list, test and extraction of the archive the program
// carries. Everything the reading module guarantees (names kept inside the
// destination, no write through a link, CRC checked before a file gets its
// name, bombs stopped) holds here because it is the same code.
#pragma once

#include <cstdint>
#include <string>

#include "sfx/sfxoptions.h"
#include "sfx/sfxterminal.h"
#include "ziplib/common/sfxblock.h"
#include "ziplib/common/zipdirectory.h"

namespace tovo::sfx {

// The outcome of a run: a result code of the contract (0, warnings 1-99,
// errors 100 and above), and how the dialogs ended.
struct SfxOutcome {
    int code = 0;
    bool declined = false;      // the user said no before anything was written
    bool refused = false;       // the password did not open the files: nothing was written
    bool commandFailed = false; // the command run after the extraction failed
};

// 0 success; 1 a warning, a refusal or a failed command; 2 an error or a
// refused password.
int ExitStatusOf(const SfxOutcome &outcome);

class SfxSession {
public:
    SfxSession(const zip::SfxBlock &settings, const SfxOptions &options, Terminal &terminal, std::string self);

    SfxOutcome list();
    SfxOutcome test();
    SfxOutcome extract();

    // The callback of the reading module (user is the session).
    static int callback(int message, void *data, void *user);

private:
    int onMessage(int message, void *data);
    // Ctrl+C: asks whether to stop (on a terminal); true to stop.
    bool confirmStop();
    // choose(), with Ctrl+C confirmed; -1 when the user chose to stop.
    int choose(const std::string &question, const std::vector<int> &buttons, int fallback);
    // A line of text, with Ctrl+C confirmed; false when the input ended or
    // the user chose to stop.
    bool ask(const std::string &question, std::string &answer, bool echo = true);

    bool welcome();
    bool licence();
    bool chooseDestination(std::string &destination);
    bool checkPassword(std::string &password, SfxOutcome &outcome);
    bool createDestination(const std::string &destination, SfxOutcome &outcome);
    void showProgress();
    int runReader(const std::vector<std::string> &vector);
    void finish(const SfxOutcome &outcome, const std::string &destination);
    void runCommand(const std::string &destination, SfxOutcome &outcome);
    std::string button(int index) const;

    const zip::SfxBlock &m_settings;
    const SfxOptions &m_options;
    Terminal &m_terminal;
    std::string m_self;
    zip::ZipDirectory m_dir;
    bool m_stopped = false;
    bool m_testing = false;
    bool m_reported = false; // the closing message was already given
    enum class Replace { Ask, All, None } m_replace = Replace::Ask;
    std::uint64_t m_total = 0;    // bytes to extract
    std::uint64_t m_finished = 0; // of entries done
    std::uint64_t m_current = 0;  // size of the entry under way
    std::uint64_t m_currentDone = 0;
    int m_percentShown = -1;
};

} // namespace tovo::sfx
