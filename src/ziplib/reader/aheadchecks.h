// The checks of a test, made ahead of the calling thread by worker threads
// that walk the entries on their own: only each entry's code crosses
// between the threads (never the entry), and the calling thread, which
// sends every message in archive order, takes the codes back one by one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tovo::zip
{

class ArchiveFile;
struct ZipEntry;

// Hands the entries of a run to visit, in order, until visit returns false,
// reading the archive through file (each thread walks with its own view).
using EntryWalk = std::function<void(ArchiveFile &file, const std::function<bool(const ZipEntry &)> &visit)>;

class AheadChecks
{
public:
    // Entries that need a password question or progress messages: the
    // calling thread tests them itself, in their turn.
    static bool leftToCaller(const ZipEntry &entry);

    // Starts workers threads that each walk the entries (through their own
    // view of fd, size bytes long) and check their share of them.
    AheadChecks(int fd, std::uint64_t size, const EntryWalk &walk, unsigned workers);
    // Stops the workers and waits for them.
    ~AheadChecks();
    AheadChecks(const AheadChecks &) = delete;
    AheadChecks &operator=(const AheadChecks &) = delete;

    // The code of the check of the index-th entry of the walk (of size
    // bytes), waiting a little for a worker that is checking it; nothing
    // when no worker checked it (the calling thread then checks it, and no
    // worker's result will count). Indexes are taken in order, each once,
    // and never for an entry left to the caller.
    std::optional<int> take(std::uint64_t index, std::uint64_t size);
    // The calling thread is done with the index-th entry (taken or not):
    // workers may run that much further ahead.
    void done(std::uint64_t index);

private:
    void work(unsigned worker, int fd, std::uint64_t size, const EntryWalk &walk);

    // Each ring slot holds the index of the entry it serves, the code of its
    // check once made (codes are below 65,536) and its state: free, being
    // checked by a worker, checked, or taken by the calling thread.
    static constexpr std::uint64_t Free = 0, Checking = 1, Checked = 2, Taken = 3;
    static constexpr std::uint64_t CodeMask = 0xFFFFull << 2;
    static constexpr std::uint64_t slotValue(std::uint64_t index, std::uint64_t state, int code = 0)
    {
        return index << 18 | std::uint64_t(std::uint16_t(code)) << 2 | state;
    }

    const unsigned m_workers;
    std::unique_ptr<std::atomic<std::uint64_t>[]> m_slots; // Ring of them
    // Each on a line of its own: the calling thread writes m_done at every
    // entry, which must not take the others from the workers' caches.
    alignas(64) std::atomic<std::uint64_t> m_done{0}; // entries the calling thread is done with
    alignas(64) std::atomic<bool> m_stop{false};
    alignas(64) std::atomic<unsigned> m_workersWaiting{0};
    std::mutex m_mutex;
    std::condition_variable m_workerWake;
    std::vector<std::thread> m_threads;
};

} // namespace tovo::zip
