#include "sfx/sfxsession.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipnames.h"

extern "C" int ziprd(int version, int argc, char **argv, TovoZipCallback callback, void *user);

namespace tovo::sfx {
namespace {

// Indexes of the settings' tables.
enum { MessageDone = 0, MessageFailed = 1, MessageNoFolder = 2, MessageWelcome = 3, MessageStopped = 4 };
enum { PromptFolder = 0, PromptPassword = 1, PromptStop = 4, PromptCreate = 5, PromptReplace = 6 };
enum { CaptionFile = 0, CaptionProgress = 1, CaptionTitle = 2, CaptionFolder = 3 };
enum {
    ButtonOk = 0,
    ButtonCancel = 1,
    ButtonAlwaysSkip = 4,
    ButtonYes = 5,
    ButtonNo = 6,
    ButtonAll = 7,
    ButtonNone = 8,
    ButtonContinue = 9,
    ButtonExit = 10,
    ButtonAgree = 11,
    ButtonRefuse = 12
};
enum { TextFolder = 0, TextCommand = 1, TextCommandQuestion = 2, TextDescription = 3, TextLicenceQuestion = 4 };

constexpr int PasswordAttempts = 3;

std::string codeText(int code)
{
    const char *text = nullptr;
    switch (code) {
    case TOVO_ZIP_WARN_SKIPPED: text = "des fichiers ont \u00e9t\u00e9 ignor\u00e9s"; break;
    case TOVO_ZIP_WARN_NO_ARCHIVE: text = "aucun fichier \u00e0 extraire"; break;
    case TOVO_ZIP_WARN_PASSWORD: text = "mot de passe absent ou incorrect : des fichiers crypt\u00e9s ont \u00e9t\u00e9 ignor\u00e9s"; break;
    case TOVO_ZIP_ERR_BAD_ARCHIVE: text = "archive endommag\u00e9e"; break;
    case TOVO_ZIP_ERR_MEMORY: text = "m\u00e9moire insuffisante"; break;
    case TOVO_ZIP_ERR_OPEN_ARCHIVE: text = "le programme ne peut pas se lire lui-m\u00eame"; break;
    case TOVO_ZIP_ERR_EOF: text = "archive tronqu\u00e9e"; break;
    case TOVO_ZIP_ERR_READ: text = "erreur de lecture"; break;
    case TOVO_ZIP_ERR_WRITE: text = "erreur d\u2019\u00e9criture (disque plein ?)"; break;
    case TOVO_ZIP_ERR_METHOD: text = "m\u00e9thode de compression non prise en charge"; break;
    case TOVO_ZIP_ERR_CRC: text = "donn\u00e9es endommag\u00e9es (contr\u00f4le CRC)"; break;
    case TOVO_ZIP_ERR_CREATE: text = "impossible de cr\u00e9er un fichier ou un r\u00e9pertoire"; break;
    case TOVO_ZIP_ERR_ABORTED: text = "extraction abandonn\u00e9e"; break;
    case TOVO_ZIP_ERR_ACCESS: text = "acc\u00e8s refus\u00e9"; break;
    case TOVO_ZIP_ERR_UNSUPPORTED: text = "type d\u2019archive non pris en charge"; break;
    case TOVO_ZIP_ERR_TOO_LARGE: text = "fichier trop grand ou bombe de d\u00e9compression"; break;
    default: break;
    }
    return "(code " + std::to_string(code) + (text ? std::string(" : ") + text : std::string()) + ")";
}

std::string reasonText(std::uint8_t reason)
{
    switch (reason) {
    case TOVO_ZIP_SKIP_UNSAFE_NAME: return "nom dangereux";
    case TOVO_ZIP_SKIP_SYMLINK: return "lien symbolique";
    case TOVO_ZIP_SKIP_WRITE_FAILED: return "\u00e9criture impossible";
    case TOVO_ZIP_SKIP_UNSUPPORTED: return "non pris en charge";
    case TOVO_ZIP_SKIP_PASSWORD: return "mot de passe absent ou incorrect";
    default: return "raison " + std::to_string(reason);
    }
}

std::string currentDirectory()
{
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// A folder as the user gave it: "~" for the home folder, relative to the
// current folder.
std::string folderPath(std::string path)
{
    const char *home = std::getenv("HOME");
    if (home && *home && (path == "~" || path.rfind("~/", 0) == 0))
        path = home + path.substr(1);
    if (path.empty() || path[0] != '/')
        path = currentDirectory() + "/" + path;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string trimmed(const std::string &s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string dateOf(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &tm);
    return buffer;
}

// Whether password opens entry. The check value of the traditional
// encryption lets one wrong password in 256 through, so the first data is
// read as well: wrongly decrypted, it fails to inflate or (a small entry
// read whole) fails its CRC.
bool opensWith(zip::ArchiveFile &file, const zip::ZipEntry &entry, const std::string &password)
{
    constexpr std::size_t Probe = 64 * 1024;
    zip::EntryDataReader reader;
    int rc = reader.open(file, entry, password);
    std::vector<unsigned char> buffer(Probe);
    for (std::size_t got = 1; rc == TOVO_ZIP_OK && got > 0 && reader.produced() < Probe;)
        rc = reader.read(buffer.data(), buffer.size(), got);
    return rc != TOVO_ZIP_WARN_PASSWORD && rc != TOVO_ZIP_ERR_CRC;
}

} // namespace

int ExitStatusOf(const SfxOutcome &outcome)
{
    if (outcome.refused || outcome.code >= 100)
        return 2;
    if (outcome.declined || outcome.commandFailed || outcome.code > 0)
        return 1;
    return 0;
}

SfxSession::SfxSession(const zip::SfxBlock &settings, const SfxOptions &options, Terminal &terminal, std::string self)
    : m_settings(settings), m_options(options), m_terminal(terminal), m_self(std::move(self))
{
}

int SfxSession::callback(int message, void *data, void *user)
{
    return static_cast<SfxSession *>(user)->onMessage(message, data);
}

std::string SfxSession::button(int index) const
{
    return ButtonOf(m_settings.buttons[std::size_t(index)]).shown;
}

bool SfxSession::confirmStop()
{
    if (m_terminal.interactive()) {
        const std::vector<Button> buttons{ButtonOf(m_settings.buttons[ButtonYes]), ButtonOf(m_settings.buttons[ButtonNo])};
        // A second Ctrl+C, or the end of input, stops as well.
        const int answer = m_terminal.choose(m_settings.prompts[PromptStop], buttons, 0);
        if (answer == 1)
            return false;
    }
    m_stopped = true;
    return true;
}

int SfxSession::choose(const std::string &question, const std::vector<int> &buttons, int fallback)
{
    std::vector<Button> shown;
    for (const int b : buttons)
        shown.push_back(ButtonOf(m_settings.buttons[std::size_t(b)]));
    for (;;) {
        const int answer = m_terminal.choose(question, shown, fallback);
        if (answer >= 0)
            return answer;
        if (confirmStop())
            return -1;
    }
}

bool SfxSession::ask(const std::string &question, std::string &answer, bool echo)
{
    for (;;) {
        switch (m_terminal.readLine(question, answer, echo)) {
        case Terminal::Read::Line:
            return true;
        case Terminal::Read::End:
            return false;
        case Terminal::Read::Interrupted:
            if (confirmStop())
                return false;
            break;
        }
    }
}

void SfxSession::showProgress()
{
    if (!m_settings.option3)
        return;
    const std::uint64_t done = std::min(m_total, m_finished + m_currentDone);
    const int percent = m_total == 0 ? 100 : int(done * 100 / m_total);
    if (percent == m_percentShown)
        return;
    m_percentShown = percent;
    m_terminal.progress(m_settings.captions[CaptionProgress] + " " + std::to_string(percent) + " %");
}

int SfxSession::onMessage(int message, void *data)
{
    if (Terminal::takeInterrupt() && confirmStop())
        return 1;
    switch (message) {
    case TOVO_ZIP_MSG_EXTRACTING: {
        const auto *s = static_cast<const TovoZipFileStatsData *>(data);
        m_finished += m_current;
        const bool folder = (s->attributes & TOVO_ZIP_ATTR_DIRECTORY) != 0;
        m_current = folder ? 0 : std::uint64_t(std::max<std::int64_t>(0, s->size));
        m_currentDone = 0;
        if (m_settings.option3 && !folder)
            m_terminal.say(m_settings.captions[CaptionFile] + " " + zip::EscapedForTerminal(s->fileName));
        showProgress();
        break;
    }
    case TOVO_ZIP_MSG_STATUS: {
        const auto *s = static_cast<const TovoZipFileStatsData *>(data);
        if (!m_testing) {
            m_currentDone = std::uint64_t(std::max<std::int64_t>(0, s->bytesDone));
            showProgress();
        }
        break;
    }
    case TOVO_ZIP_MSG_REPLACE: {
        auto *r = static_cast<TovoZipReplaceData *>(data);
        if (m_replace != Replace::Ask || !m_terminal.interactive()) {
            r->action = m_replace == Replace::All ? 1 : 0;
            break;
        }
        const int answer = choose(Fill(m_settings.prompts[PromptReplace], 'f', zip::EscapedForTerminal(r->fileName)),
                                  {ButtonYes, ButtonNo, ButtonAll, ButtonNone}, 1);
        if (answer < 0)
            return 1;
        r->action = answer == 0 || answer == 2 ? 1 : 0;
        if (answer == 2)
            m_replace = Replace::All;
        else if (answer == 3)
            m_replace = Replace::None;
        break;
    }
    case TOVO_ZIP_MSG_PASSWORD: {
        auto *p = static_cast<TovoZipPasswordData *>(data);
        std::string answer;
        const bool answered = m_terminal.interactive() && p->password && p->passwordSize > 1 &&
                              ask(m_settings.prompts[PromptPassword] + " [ " + zip::EscapedForTerminal(p->fileName) + " ] (Entr\u00e9e seule : " +
                                      button(ButtonAlwaysSkip) + ") ",
                                  answer, false) &&
                              !answer.empty();
        if (m_stopped)
            return 1;
        if (!answered) {
            p->action = 0;
            if (p->password && p->passwordSize > 0)
                p->password[0] = '\0';
            break;
        }
        const std::size_t n = std::min(answer.size(), p->passwordSize - 1);
        answer.copy(p->password, n);
        p->password[n] = '\0';
        break;
    }
    case TOVO_ZIP_MSG_SKIPPING: {
        const auto *s = static_cast<const TovoZipSkippingData *>(data);
        m_terminal.warn("Fichier ignor\u00e9 (" + reasonText(s->reason) + ") : " + zip::EscapedForTerminal(s->fileName));
        break;
    }
    default:
        break;
    }
    return m_stopped ? 1 : 0;
}

int SfxSession::runReader(const std::vector<std::string> &vector)
{
    std::vector<std::string> texts = vector;
    std::vector<char *> argv;
    for (std::string &t : texts)
        argv.push_back(t.data());
    argv.push_back(nullptr);
    return ziprd(TOVO_ZIP_CONTRACT_VERSION, int(texts.size()), argv.data(), &SfxSession::callback, this);
}

SfxOutcome SfxSession::list()
{
    SfxOutcome outcome;
    zip::ArchiveFile file;
    outcome.code = file.open(m_self);
    if (outcome.code == 0)
        outcome.code = zip::ReadZipDirectory(file, m_dir);
    if (outcome.code != 0) {
        m_terminal.warn(codeText(outcome.code));
        return outcome;
    }
    std::uint64_t total = 0;
    for (const zip::ZipEntry &e : m_dir.entries) {
        char size[32];
        std::snprintf(size, sizeof size, "%12llu", static_cast<unsigned long long>(e.size));
        m_terminal.say(std::string(size) + "  " + dateOf(e.modificationTime()) + "  " + zip::EscapedForTerminal(e.name));
        total += e.size;
    }
    m_terminal.say(std::to_string(m_dir.entries.size()) + " fichier(s), " + std::to_string(total) + " octets");
    return outcome;
}

SfxOutcome SfxSession::test()
{
    SfxOutcome outcome;
    m_testing = true;
    outcome.code = runReader({m_options.password.value_or(std::string()), "-t", m_self});
    if (outcome.code == 0)
        m_terminal.message("Test r\u00e9ussi : aucune erreur.");
    else
        m_terminal.warn(codeText(outcome.code));
    return outcome;
}

bool SfxSession::welcome()
{
    const std::string &text = m_settings.messages[MessageWelcome];
    if (!m_settings.showMessage[MessageWelcome] || text.empty())
        return true;
    m_terminal.say(TerminalText(text));
    if (!m_terminal.interactive())
        return true;
    return choose(std::string(), {ButtonContinue, ButtonExit}, 1) == 0;
}

bool SfxSession::licence()
{
    if (m_settings.lines1.empty())
        return true;
    m_terminal.say(TerminalText(m_settings.lines1));
    if (m_options.acceptLicence)
        return true;
    if (!m_terminal.interactive()) {
        m_terminal.warn("La licence doit \u00eatre accept\u00e9e : relancez le programme avec l\u2019option -a pour "
                        "l\u2019accepter.");
        return false;
    }
    return choose(m_settings.texts[TextLicenceQuestion], {ButtonAgree, ButtonRefuse}, 1) == 0;
}

bool SfxSession::chooseDestination(std::string &destination)
{
    if (m_options.destination) {
        destination = folderPath(*m_options.destination);
        return true;
    }
    const std::string proposed =
        m_settings.texts[TextFolder].empty() ? currentDirectory() : folderPath(m_settings.texts[TextFolder]);
    destination = proposed;
    if (!m_terminal.interactive() || !m_settings.option1)
        return true;
    m_terminal.say(m_settings.prompts[PromptFolder]);
    std::string answer;
    if (!ask("[" + proposed + "] (Entr\u00e9e : " + button(ButtonOk) + ", Ctrl+D : " + button(ButtonCancel) + ") ",
             answer))
        return false;
    answer = trimmed(answer);
    if (!answer.empty())
        destination = folderPath(answer);
    return true;
}

bool SfxSession::checkPassword(std::string &password, SfxOutcome &outcome)
{
    password = m_options.password.value_or(std::string());
    if (!m_settings.passwordProtected)
        return true; // the reading module asks for each entry that needs it
    std::vector<const zip::ZipEntry *> encrypted;
    for (const zip::ZipEntry &e : m_dir.entries) {
        if (e.encrypted() && !e.isDirectory())
            encrypted.push_back(&e);
    }
    if (encrypted.empty())
        return true;
    zip::ArchiveFile file;
    if (int rc = file.open(m_self)) {
        outcome.code = rc;
        return false;
    }
    const bool asking = !m_options.password && m_terminal.interactive();
    for (int attempt = 0; attempt < PasswordAttempts; ++attempt) {
        if (asking && !ask(m_settings.prompts[PromptPassword] + " ", password, false)) {
            if (m_stopped)
                outcome.code = TOVO_ZIP_ERR_ABORTED;
            else
                outcome.declined = true;
            return false;
        }
        // Every encrypted entry must open with it before anything is written.
        bool opens = true;
        for (const zip::ZipEntry *e : encrypted)
            opens = opens && opensWith(file, *e, password);
        if (opens)
            return true;
        if (!asking)
            break;
        m_terminal.say("Mot de passe incorrect.");
    }
    m_terminal.message("Mot de passe absent ou incorrect : rien n\u2019a \u00e9t\u00e9 extrait.");
    outcome.code = TOVO_ZIP_WARN_PASSWORD;
    outcome.refused = true;
    m_reported = true;
    return false;
}

bool SfxSession::createDestination(const std::string &destination, SfxOutcome &outcome)
{
    struct stat st;
    if (::stat(destination.c_str(), &st) != 0) {
        if (m_terminal.interactive() && m_settings.option2 && !m_options.destination) {
            const int answer = choose(Fill(m_settings.prompts[PromptCreate], 'd', destination), {ButtonYes, ButtonNo}, 1);
            if (answer < 0) {
                outcome.code = TOVO_ZIP_ERR_ABORTED;
                return false;
            }
            if (answer != 0) {
                outcome.declined = true;
                return false;
            }
        }
        // The folder and its parents.
        for (std::size_t slash = destination.find('/', 1);; slash = destination.find('/', slash + 1)) {
            const std::string part = destination.substr(0, slash);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                break;
            if (slash == std::string::npos)
                break;
        }
    }
    if (::stat(destination.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    if (m_settings.showMessage[MessageNoFolder])
        m_terminal.message(Fill(m_settings.messages[MessageNoFolder], 'd', destination));
    m_reported = true;
    outcome.code = TOVO_ZIP_ERR_CREATE;
    return false;
}

SfxOutcome SfxSession::extract()
{
    SfxOutcome outcome;
    std::string destination;
    auto stop = [&] {
        if (m_stopped)
            outcome.code = TOVO_ZIP_ERR_ABORTED;
        else
            outcome.declined = true;
        finish(outcome, destination);
        return outcome;
    };

    zip::ArchiveFile file;
    outcome.code = file.open(m_self);
    if (outcome.code == 0)
        outcome.code = zip::ReadZipDirectory(file, m_dir);
    file.close();
    if (outcome.code != 0) {
        finish(outcome, destination);
        return outcome;
    }
    if (!m_settings.captions[CaptionTitle].empty())
        m_terminal.say(m_settings.captions[CaptionTitle]);
    if (!m_settings.texts[TextDescription].empty())
        m_terminal.say(TerminalText(m_settings.texts[TextDescription]));
    if (!welcome() || !licence() || !chooseDestination(destination))
        return stop();
    std::string password;
    if (!checkPassword(password, outcome) || !createDestination(destination, outcome)) {
        finish(outcome, destination);
        return outcome;
    }

    for (const zip::ZipEntry &e : m_dir.entries) {
        if (!e.isDirectory())
            m_total += e.size;
    }
    std::vector<std::string> vector{password};
    SfxOptions::Overwrite overwrite = m_options.overwrite;
    if (overwrite == SfxOptions::Overwrite::Default) {
        if (m_settings.choice == 2)
            overwrite = SfxOptions::Overwrite::Always;
        else if (m_settings.choice == 1 || !m_terminal.interactive())
            overwrite = SfxOptions::Overwrite::Never;
    }
    if (overwrite == SfxOptions::Overwrite::Always)
        vector.push_back("-o");
    else if (overwrite == SfxOptions::Overwrite::Never)
        vector.push_back("-n");
    if (m_settings.option4)
        vector.push_back("-j");
    vector.insert(vector.end(), {m_self, "-d", destination});

    if (m_settings.option3)
        m_terminal.say(m_settings.captions[CaptionFolder] + " " + destination);
    outcome.code = runReader(vector);
    if (m_stopped)
        outcome.code = TOVO_ZIP_ERR_ABORTED;
    if (outcome.code < 100) {
        // The run went through every entry: those kept or skipped count too.
        m_finished = m_total;
        m_current = m_currentDone = 0;
        showProgress();
    }
    m_terminal.endProgress();
    finish(outcome, destination);
    if (outcome.code == 0)
        runCommand(destination, outcome);
    return outcome;
}

void SfxSession::finish(const SfxOutcome &outcome, const std::string &)
{
    if (m_reported || outcome.declined)
        return;
    if (outcome.code == 0) {
        if (m_settings.showMessage[MessageDone] && !m_settings.messages[MessageDone].empty())
            m_terminal.message(TerminalText(m_settings.messages[MessageDone]));
        if (!m_settings.lines2.empty())
            m_terminal.message(TerminalText(m_settings.lines2));
        return;
    }
    const int index = outcome.code == TOVO_ZIP_ERR_ABORTED ? MessageStopped : MessageFailed;
    if (m_settings.showMessage[std::size_t(index)] && !m_settings.messages[std::size_t(index)].empty())
        m_terminal.message(
            TerminalText(Fill(m_settings.messages[std::size_t(index)], 'e', std::to_string(outcome.code))));
    m_terminal.warn(codeText(outcome.code));
}

void SfxSession::runCommand(const std::string &destination, SfxOutcome &outcome)
{
    const std::string &command = m_settings.texts[TextCommand];
    if (command.empty() || !m_terminal.interactive())
        return;
    const std::string &question = m_settings.texts[TextCommandQuestion];
    if (choose(question.empty() ? command + " ?" : question, {ButtonYes, ButtonNo}, 1) != 0)
        return;
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(destination.c_str()) == 0)
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        outcome.commandFailed = true;
        m_terminal.warn("La commande a \u00e9chou\u00e9 (" + command + ").");
    }
}

} // namespace tovo::sfx
