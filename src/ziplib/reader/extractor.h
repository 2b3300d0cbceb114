// Extraction of the selected entries into a destination folder, never
// outside it: every name passes SafeRelativePath, every folder on the way is
// opened without following symbolic links, and no file is left with data
// that did not check out. A file that replaces another is written under a
// temporary name beside its target and renamed into place once checked; a
// new small file is created under its own name (never through a link) and
// removed again when its data fails or the run stops before its message.
#pragma once

#include <cstddef>
#include <vector>

namespace tovo::zip
{

class ArchiveFile;
class Outcome;
class PasswordKeeper;
class Reporter;
struct ReaderArgs;
struct ZipDirectory;

// Extracts the entries of dir whose indexes are in selected (in that order).
// Codes go to outcome; returns false when the run must stop (a fatal code).
bool ExtractEntries(ArchiveFile &file, const ZipDirectory &dir, const std::vector<std::size_t> &selected,
                    const ReaderArgs &args, Reporter &reporter, PasswordKeeper &passwords, Outcome &outcome);

} // namespace tovo::zip
