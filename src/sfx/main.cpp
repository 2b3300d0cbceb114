// The self-extractor stub: a program of its own, needing nothing but the C
// library, that the conversion puts in front of an archive. Run, it reads the
// settings block that follows its own ELF image, then lists, tests or
// extracts the archive that follows the block (sfxsession.h).
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "sfx/sfxoptions.h"
#include "sfx/sfxsession.h"
#include "sfx/sfxterminal.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/sfxblock.h"

using namespace tovo;
using namespace tovo::sfx;

namespace {

// Set in the environment of the program a terminal window was opened for,
// so that it waits before its window closes (and never opens another).
constexpr const char *InTerminalVariable = "TOVO_SFX_IN_TERMINAL";

// The program's own file.
std::string selfPath(const char *argv0)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0)
        return std::string(buffer, std::size_t(n));
    char *real = argv0 ? ::realpath(argv0, nullptr) : nullptr;
    if (!real)
        return std::string();
    std::string path = real;
    std::free(real);
    return path;
}

// Started without a terminal (from a file manager): opens the desktop's
// terminal emulator on the same program so the user can answer. Returns only
// when that is not possible.
void openInTerminal(const std::string &self)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        return;
    ::setenv(InTerminalVariable, "1", 1);
    const char *argv[] = {"x-terminal-emulator", "-e", self.c_str(), nullptr};
    ::execvp(argv[0], const_cast<char *const *>(argv));
    ::unsetenv(InTerminalVariable);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string program = argc > 0 && argv[0] ? argv[0] : "auto-extractible";
    const std::string self = selfPath(argc > 0 ? argv[0] : nullptr);
    zip::SfxBlock settings;
    {
        zip::ArchiveFile file;
        std::uint64_t image = 0;
        if (self.empty() || file.open(self) != 0 || (image = zip::ElfImageSize(file)) == 0 ||
            zip::ReadSfxBlock(file, image, settings) != 0) {
            std::fputs("Ce programme auto-extractible est endommag\u00e9 : ses r\u00e9glages sont illisibles.\n",
                       stderr);
            return 2;
        }
    }

    std::vector<std::string> words = SplitWords(settings.argument);
    for (int i = 1; i < argc; ++i)
        words.emplace_back(argv[i]);
    SfxOptions options;
    if (const std::string error = ParseSfxOptions(words, options); !error.empty()) {
        std::fprintf(stderr, "%s : %s\n%s", program.c_str(), error.c_str(), SfxUsage(program).c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(SfxUsage(program).c_str(), stdout);
        return 0;
    }

    // Questions need a terminal to be read on and one to be answered from.
    const bool interactive = ::isatty(STDIN_FILENO) != 0 && ::isatty(STDOUT_FILENO) != 0;
    const bool noTerminal = !interactive && !::isatty(STDOUT_FILENO) && !::isatty(STDERR_FILENO);
    if (noTerminal && !HasScriptOptions(argc, argv) && !std::getenv(InTerminalVariable))
        openInTerminal(self);

    Terminal::installSignalHandlers();
    Terminal terminal(interactive);
    SfxSession session(settings, options, terminal, self);
    const SfxOutcome outcome = options.list ? session.list() : options.test ? session.test() : session.extract();
    if (interactive && std::getenv(InTerminalVariable)) {
        // The window closes with the program: keep the last lines readable.
        std::string line;
        terminal.readLine("\n[Entr\u00e9e] " + ButtonOf(settings.buttons[10]).shown + " ", line);
    }
    return ExitStatusOf(outcome);
}
