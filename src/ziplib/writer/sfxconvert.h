// Turning an archive into a self-extracting program: the stub, the settings
// block (sfxblock.h), then the archive with every offset moved by what now
// stands in front of it, so that ZIP readers read the program as the archive
// and the stub finds both parts in itself.
#pragma once

#include <string>

namespace tovo::zip {

class Reporter;
struct WriterArgs;

// The program made from archive: its file name with the last three
// characters (all of them when it is shorter) replaced by "EXE", in the same
// folder. Empty when the name has no file-name part.
std::string SfxProgramPath(const std::string &archive);

// Writes SfxProgramPath(args.archive) through a temporary file beside it,
// mode 0755; the archive is never changed. Returns 0, 460 when the stub is
// missing or is no stub, 370 when a callback asked to stop, 250 without a
// settings record, 380 when the folder refuses the program, 160 when the disk
// is full, 150 when the archive cannot be read, 210 when the program's file
// cannot be made, and 470 for every other failure (nothing is left behind).
int RunConvertToSfx(const WriterArgs &args, Reporter &reporter);

} // namespace tovo::zip
