// The commands that rewrite an archive through libzip: add (with its
// freshen and update modes) and delete.
#pragma once

namespace tovo::zip {

class Reporter;
struct WriterArgs;

// Add, Freshen and Update. Returns 0, a warning (10 entries skipped, 50
// patterns matched nothing) or an error; the original archive is
// unchanged by every error.
int RunAdd(const WriterArgs &args, Reporter &reporter);

// Deletes the entries matching the names (wildcards allowed) and passing the
// includes and excludes; 280 when none matches.
int RunDelete(const WriterArgs &args, Reporter &reporter);

} // namespace tovo::zip
