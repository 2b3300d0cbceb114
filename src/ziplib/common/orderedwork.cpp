#include "ziplib/common/orderedwork.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tovo::zip
{
namespace
{

constexpr std::size_t WakeBacklog = 8;

} // namespace

unsigned WorkerCount()
{
    if (const char *forced = std::getenv("TOVO_ZIP_THREADS"); forced && std::strcmp(forced, "1") == 0)
        return 0;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores <= 1 ? 0 : std::min(cores, 4u);
}

OrderedWork::OrderedWork(int fd, std::uint64_t size, unsigned workers) : m_fd(fd), m_fileSize(size)
{
    m_threads.reserve(workers);
    for (unsigned i = 0; i < workers; ++i)
        m_threads.emplace_back([this, fd, size] { work(size, fd); });
}

OrderedWork::~OrderedWork()
{
    cancel();
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void OrderedWork::work(std::uint64_t fileSize, int fd)
{
    Workspace space;
    space.file.attach(fd, fileSize);
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_ending || m_nextToStart < m_slots.size(); });
        --m_idle;
        if (m_ending)
            return;
        Slot &slot = m_slots[m_nextToStart++];
        slot.started = true;
        lock.unlock();
        TaskResult result = slot.task(space);
        lock.lock();
        slot.result = std::move(result);
        slot.done = true;
        if (m_callerWaiting)
            m_done.notify_all();
    }
}

void OrderedWork::submit(Task task, bool big)
{
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        m_slots.push_back(Slot{std::move(task), {}, false, false});
        // Waking a worker costs more than a tiny task: it is woken once a
        // few tasks wait. A busy worker takes the next one when done with
        // its own, and the calling thread runs the oldest itself rather
        // than wait for it.
        wake = m_idle > 0 && (big || m_slots.size() - m_nextToStart >= WakeBacklog);
    }
    if (wake)
        m_wake.notify_one();
}

TaskResult OrderedWork::takeOldest()
{
    std::unique_lock lock(m_mutex);
    Slot &oldest = m_slots.front();
    if (!oldest.started || m_threads.empty()) {
        // Nobody took it yet: the calling thread does it rather than wait.
        oldest.started = true;
        ++m_nextToStart;
        lock.unlock();
        if (!m_ownSpace) {
            m_ownSpace = std::make_unique<Workspace>();
            m_ownSpace->file.attach(m_fd, m_fileSize);
        }
        TaskResult result = oldest.task(*m_ownSpace);
        lock.lock();
        oldest.result = std::move(result);
        oldest.done = true;
    }
    m_callerWaiting = true;
    m_done.wait(lock, [&oldest] { return oldest.done; });
    m_callerWaiting = false;
    TaskResult result = std::move(oldest.result);
    m_slots.pop_front();
    --m_nextToStart;
    return result;
}

std::vector<TaskResult> OrderedWork::cancel()
{
    std::unique_lock lock(m_mutex);
    m_slots.erase(m_slots.begin() + std::ptrdiff_t(m_nextToStart), m_slots.end());
    m_callerWaiting = true;
    m_done.wait(lock,
                [this] { return std::all_of(m_slots.begin(), m_slots.end(), [](const Slot &s) { return s.done; }); });
    m_callerWaiting = false;
    std::vector<TaskResult> results;
    for (Slot &s : m_slots)
        results.push_back(std::move(s.result));
    m_slots.clear();
    m_nextToStart = 0;
    return results;
}

} // namespace tovo::zip
