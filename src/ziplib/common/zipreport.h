// The module side of the callback: sends the messages of the contract and
// remembers a request to stop (any answer of 1).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/zipcontract.h"

namespace tovo::zip
{

struct ZipEntry;

// Progress messages (TOVO_ZIP_MSG_STATUS) go for entries of at least this
// size, at most once per this many bytes.
inline constexpr std::uint64_t ProgressStep = 512 * 1024;

class Reporter
{
public:
    Reporter(TovoZipCallback callback, void *user) : m_callback(callback), m_user(user) {}

    // True once any callback answered 1. Every method below returns it.
    bool stopRequested() const { return m_stop; }

    // Sends any message with its data block.
    bool send(int message, void *data);

    // A file-stats message (50, 60, 80, 1000, 1010, 1030, ...).
    bool fileStats(int message, const std::string &name, std::int64_t size, std::int64_t compressedSize,
                   std::int64_t bytesDone, std::uint8_t attributes, std::uint32_t dosDateTime,
                   const std::string *comment = nullptr);
    // The same with the name as a string ending in NUL and the comment as bytes.
    bool fileStats(int message, const char *name, std::int64_t size, std::int64_t compressedSize,
                   std::int64_t bytesDone, std::uint8_t attributes, std::uint32_t dosDateTime,
                   std::string_view comment);
    // The same for an archive entry (its name, sizes, attributes, date, comment).
    bool entryStats(int message, const ZipEntry &entry, std::int64_t bytesDone = 0);

    // A message whose data is the name itself (1020, 1070).
    bool nameOnly(int message, const std::string &name);

    // TOVO_ZIP_MSG_SKIPPING with one of the TOVO_ZIP_SKIP_* reasons.
    bool skipping(const std::string &name, std::uint8_t reason);

    // TOVO_ZIP_MSG_PASSWORD. True with password set when an answer came (a
    // non-empty password and an action other than 0); false otherwise.
    bool askPassword(const std::string &name, std::string &password);

    // TOVO_ZIP_MSG_REPLACE. action is the proposal in and the answer out;
    // newName the name handed back (empty when none).
    void askReplace(const std::string &name, std::uint8_t &action, std::string &newName);

private:
    TovoZipCallback m_callback;
    void *m_user;
    bool m_stop = false;
};

// Sends a progress message for entry when done has passed next, then moves
// next on by ProgressStep. Entries smaller than 2 * ProgressStep get none.
bool ReportProgress(Reporter &reporter, const ZipEntry &entry, std::uint64_t done, std::uint64_t &next);

} // namespace tovo::zip
