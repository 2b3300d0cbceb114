// What the three commands of the reading module share: the outcome of a run
// and the password used for encrypted entries.
#pragma once

#include <string>

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

private:
    std::string m_password;
    bool m_gaveUp = false;
};

} // namespace tovo::zip
