// Worker threads for the modules: the decoding (and writing) of small entries
// when testing and extracting, the compression of files when adding, runs on
// them while the calling thread keeps every callback, taking the results back
// in the order the tasks were queued. A task never calls back; what it found
// is handed over in its TaskResult (or in what the task itself holds).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ziplib/common/archivefile.h"

namespace tovo::zip
{

// Tools a kind of task keeps from one task to the next on the same thread.
struct WorkerTools {
    virtual ~WorkerTools() = default;
};

// What a worker owns: its own view of the archive (the read-ahead window is
// not shared), a buffer and the tools its tasks made.
struct Workspace {
    ArchiveFile file;
    std::vector<unsigned char> buffer;
    std::unique_ptr<WorkerTools> tools;
};

struct TaskResult {
    int rc = 0;
    bool opened = false;  // the entry's data could be opened (its local header checked out)
    bool created = false; // its file was created (and removed again when rc is not 0)
};

// The number of workers a run uses: 0 runs everything on the calling
// thread. TOVO_ZIP_THREADS=1 in the environment forces that (the tests
// compare both paths with it); otherwise one per core, at most four.
unsigned WorkerCount();

class OrderedWork
{
public:
    using Task = std::function<TaskResult(Workspace &)>;

    // Workers read the archive through their own descriptor-sharing view of
    // fd (size bytes long).
    OrderedWork(int fd, std::uint64_t size, unsigned workers);
    // Drops the tasks not started and waits for the running ones.
    ~OrderedWork();
    OrderedWork(const OrderedWork &) = delete;
    OrderedWork &operator=(const OrderedWork &) = delete;

    // A big task wakes a worker at once; small ones only once several wait.
    void submit(Task task, bool big = false);
    // Tasks queued and not yet taken back.
    std::size_t pending() const { return m_slots.size(); }
    // Waits for the oldest task and returns its result.
    TaskResult takeOldest();
    // Drops the tasks not started, waits for the running ones and returns
    // their results, oldest first (the caller undoes what they did).
    std::vector<TaskResult> cancel();

private:
    struct Slot {
        Task task;
        TaskResult result;
        bool started = false;
        bool done = false;
    };
    void work(std::uint64_t fileSize, int fd);

    std::mutex m_mutex;
    std::condition_variable m_wake; // a task was queued, or the workers must end
    std::condition_variable m_done; // a task finished
    std::deque<Slot> m_slots;       // oldest first; a deque keeps references valid at both ends
    std::size_t m_nextToStart = 0;  // index in m_slots of the first task not started
    bool m_ending = false;
    unsigned m_idle = 0;          // workers waiting for a task
    bool m_callerWaiting = false; // the calling thread waits for a result
    int m_fd;
    std::uint64_t m_fileSize;
    std::unique_ptr<Workspace> m_ownSpace; // the calling thread's, made when it first helps
    std::vector<std::thread> m_threads;
};

} // namespace tovo::zip
