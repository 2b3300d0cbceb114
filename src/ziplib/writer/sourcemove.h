// Deleting the sources of a move ("-m") once the new archive has replaced
// the old one and read back whole.
#pragma once

#include <unordered_set>
#include <vector>

namespace tovo::zip {

class Reporter;
struct ScanResult;
struct SourceFile;

// Deletes the files of stored (written into the new archive by this run)
// that are still the files the scan found (same identity, size and time),
// never through a symbolic link: every folder below the part a pattern named
// is opened without following one. Then removes the folders the scan walked
// that held such files (or were stored as folder entries) and are empty
// afterwards. Files in changed were reported already and stay. Every other
// file kept is reported with reason 3. Returns the number of files kept. A
// request to stop ends the deleting: the new archive stands either way.
int DeleteMovedSources(const std::vector<const SourceFile *> &stored, const ScanResult &scan,
                       const std::unordered_set<const SourceFile *> &changed, Reporter &reporter);

} // namespace tovo::zip
