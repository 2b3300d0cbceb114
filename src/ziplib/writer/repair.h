// Repairing an archive: "-F" rebuilds the central directory from the local
// headers when the end of the archive is damaged or missing; "-FF" scans the
// whole file for local headers and salvages every entry whose data is intact.
// Both write the repaired archive beside the damaged one and replace it only
// when the result tests clean.
#pragma once

namespace tovo::zip {

class Reporter;
struct WriterArgs;

// Returns 0 (repaired, or nothing to repair: every entry tests clean), 10
// (done, but entries were dropped, each reported by message 1060 with reason
// 4, or kept without a check, reason 6: no password, unsupported method),
// 30 (no archive), 490 (nothing could be salvaged, the light repair could not
// account for the whole file, or the result did not pass the checks of the
// test command), 370 (stopped), or an I/O code. The damaged archive is left
// untouched by every failure. Time and memory grow linearly with the file,
// whatever it holds.
int RunFix(const WriterArgs &args, Reporter &reporter, bool harder);

} // namespace tovo::zip
