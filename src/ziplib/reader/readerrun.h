// What the three commands of the reading module share: the outcome of a run
// and the password used for encrypted entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::zip
{

class ArchiveFile;
class EntryDataReader;
class Reporter;
struct ZipEntry;

// The code of a run: the first error, else the highest warning, else 0.
class Outcome
{
public:
    void note(int code);
    int code() const { return m_error ? m_error : m_warning; }
    // Errors after which the run cannot go on: a stop request, memory, a
    // read or write error, an internal failure.
    static bool isFatal(int code);

private:
    int m_error = 0;
    int m_warning = 0;
};

// The password of a run: element 0 of the vector at first, then what the
// password queries answer. After a query got no answer, later entries are
// tried with the password held, without asking again.
class PasswordKeeper
{
public:
    explicit PasswordKeeper(std::string password) : m_password(std::move(password)) {}

    // Opens entry in reader, asking through message 100 while the password
    // is missing or wrong (at most three times per entry). Returns what
    // EntryDataReader::open returns (40 when no password opened it), or 370
    // when a callback asked to stop.
    int open(EntryDataReader &reader, ArchiveFile &file, const ZipEntry &entry, Reporter &reporter);

    // Told how reading entry, opened by open, ended (rc). Returns true when
    // the entry is to be opened and read again. A password check lets some
    // wrong passwords through (one in 256 for traditional encryption, one in
    // 65,536 for AES), and the data then fails its check: encrypted data
    // that fails under a password no entry has yet been read with is taken
    // for a wrong password, and the next open asks again. Under a password
    // it already failed with, or one another entry was read with, the data
    // is damaged.
    bool readAgain(const ZipEntry &entry, int rc);

private:
    bool failedHere(const std::string &password) const;

    std::string m_password;
    std::string m_proven; // the last password an encrypted entry was read with
    std::vector<std::string> m_failedHere; // passwords the current entry's data failed under
    std::uint64_t m_failedAt = NoEntry; // the local header offset of that entry
    static constexpr std::uint64_t NoEntry = ~std::uint64_t(0);
    bool m_askAgain = false;
    bool m_gaveUp = false;
};

} // namespace tovo::zip
