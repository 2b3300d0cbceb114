#include "ziplib/reader/aheadchecks.h"

#include <new>
#include <string>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipreport.h"

namespace tovo::zip
{
namespace
{

// Entries a worker may be ahead of the calling thread, at most.
constexpr std::uint64_t Ring = 16384;
// Workers share the entries in blocks of this many, in turn.
constexpr std::uint64_t Block = 64;
// Entries right ahead of the calling thread are left to it: a worker
// checking the very entry it reaches next would leave it waiting at each
// entry. (A worker that keeps up runs further ahead.)
constexpr std::uint64_t Lead = 24;
// The calling thread tells how far it is every this many entries.
constexpr std::uint64_t Step = 8;
// Rounds the calling thread waits for a check being made (a round is a few
// tens of nanoseconds): this many, and one more per this many bytes of the
// entry.
constexpr std::uint64_t SpinRounds = 256;
constexpr std::uint64_t SpinBytesPerRound = 64;

// A short rest in a waiting loop that leaves the core to its sibling.
inline void pause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

} // namespace

bool AheadChecks::leftToCaller(const ZipEntry &entry)
{
    return entry.encrypted() || entry.size >= 2 * ProgressStep;
}

AheadChecks::AheadChecks(int fd, std::uint64_t size, const EntryWalk &walk, unsigned workers)
    : m_workers(workers), m_slots(new std::atomic<std::uint64_t>[Ring])
{
    for (std::uint64_t s = 0; s < Ring; ++s)
        m_slots[s].store(slotValue(s, Free), std::memory_order_relaxed);
    m_threads.reserve(workers);
    for (unsigned k = 0; k < workers; ++k)
        m_threads.emplace_back([this, k, fd, size, &walk] { work(k, fd, size, walk); });
}

AheadChecks::~AheadChecks()
{
    m_stop.store(true);
    {
        const std::lock_guard lock(m_mutex);
        m_workerWake.notify_all();
    }
    for (std::thread &t : m_threads)
        t.join();
}

void AheadChecks::work(unsigned worker, int fd, std::uint64_t size, const EntryWalk &walk)
{
    ArchiveFile file;
    file.attach(fd, size);
    std::uint64_t index = 0;
    std::uint64_t seenDone = 0;
    walk(file, [&](const ZipEntry &e) {
        const std::uint64_t i = index++;
        if (m_stop.load(std::memory_order_relaxed))
            return false;
        if ((i / Block) % m_workers != worker || leftToCaller(e))
            return true;
        // Room in the ring: the calling thread is done with the entry that
        // used this slot before.
        if (i >= (seenDone = m_done.load()) + Ring) {
            std::unique_lock lock(m_mutex);
            ++m_workersWaiting;
            m_workerWake.wait(lock, [&] { return m_stop.load() || i < (seenDone = m_done.load()) + Ring; });
            --m_workersWaiting;
            if (m_stop.load())
                return false;
        }
        if (i < seenDone + Lead)
            return true; // close to the calling thread (or past it): left to it
        std::atomic<std::uint64_t> &slot = m_slots[i % Ring];
        std::uint64_t expected = slotValue(i, Free);
        if (!slot.compare_exchange_strong(expected, slotValue(i, Checking)))
            return true; // the calling thread checks it
        int code;
        try {
            code = CheckEntryData(file, e, std::string());
        } catch (const std::bad_alloc &) {
            code = TOVO_ZIP_ERR_MEMORY;
        }
        // Unless the calling thread took the entry back meanwhile.
        expected = slotValue(i, Checking);
        slot.compare_exchange_strong(expected, slotValue(i, Checked, code));
        return true;
    });
}

std::optional<int> AheadChecks::take(std::uint64_t index, std::uint64_t size)
{
    std::atomic<std::uint64_t> &slot = m_slots[index % Ring];
    std::uint64_t value = slot.load();
    if (value == slotValue(index, Free) && slot.compare_exchange_strong(value, slotValue(index, Taken)))
        return std::nullopt;
    // A worker is checking it: for about as long as such a check takes, its
    // result is waited for; then the calling thread takes the entry back and
    // checks it itself rather than wait for a worker the system may have
    // put aside.
    const std::uint64_t rounds = SpinRounds + size / SpinBytesPerRound;
    for (std::uint64_t round = 0; value == slotValue(index, Checking); ++round) {
        if (round == rounds) {
            if (slot.compare_exchange_strong(value, slotValue(index, Taken)))
                return std::nullopt;
            break; // checked meanwhile
        }
        pause();
        value = slot.load();
    }
    return int((value & CodeMask) >> 2);
}

void AheadChecks::done(std::uint64_t index)
{
    // The slot now serves the entry Ring places further on.
    m_slots[index % Ring].store(slotValue(index + Ring, Free));
    // Told every few entries: the workers read it at every entry, and each
    // change takes its line from their caches.
    if ((index + 1) % Step != 0 && m_workersWaiting.load() == 0)
        return;
    m_done.store(index + 1);
    if (m_workersWaiting.load() > 0) {
        const std::lock_guard lock(m_mutex);
        m_workerWake.notify_all();
    }
}

} // namespace tovo::zip
