// Extraction of the selected entries into a destination folder, never
// outside it: every name passes SafeRelativePath, every folder on the way is
// opened without following symbolic links, and every file is written under
// a temporary name beside its target and renamed into place only once its
// data checked out.
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
