#pragma once

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace lorvane {

// Works through the items 0 to count-1 on a few threads and hands out their
// results in item order, on the thread that asks. The threads never run
// more than a small window of items ahead of the one asked for, so what is
// held stays bounded whatever the count. A failure is thrown by next() when
// its item's turn comes, after every item before it was handed out. Items a
// few runs ahead may have been done before the failure was known; none
// after it is done from then on.
template<typename Result>
class OrderedWork
{
public:
    // work(worker, item): `worker` numbers the thread, from 0 to below the
    // number asked for, so that each thread can keep state of its own.
    using Work = std::function<Result(int worker, qsizetype item)>;

    // How many threads work for `count` items: none (next() works itself)
    // when one core or one item leaves nothing to share.
    static int WorkersFor(qsizetype count)
    {
        const int cores = int(std::min(std::thread::hardware_concurrency(), 8u));
        return cores < 2 || count < 2 ? 0 : int(std::min<qsizetype>(cores, count));
    }

    // The threads take runs of neighbouring items, so that handing over
    // costs little beside the work itself.
    OrderedWork(qsizetype count, int workers, Work work)
        : m_work(std::move(work)),
          m_run(std::clamp<qsizetype>(count / std::max(1, 16 * workers), 1, 32)),
          m_limit(count), m_slots(size_t(std::max(1, 2 * workers)))
    {
        m_threads.reserve(size_t(std::max(0, workers)));
        try {
            for (int worker = 0; worker < workers; ++worker)
                m_threads.emplace_back([this, worker] { run(worker); });
        } catch (const std::system_error &) {
            // Fewer threads than asked for still do all the work.
        } catch (...) {
            stopAndJoin();
            throw;
        }
    }

    ~OrderedWork() { stopAndJoin(); }

    OrderedWork(const OrderedWork &) = delete;
    OrderedWork &operator=(const OrderedWork &) = delete;

    // The result of the next item; throws what its work threw.
    Result next()
    {
        if (m_threads.empty())
            return m_work(0, m_handed++);
        if (m_taken.results.size() == m_takenUsed) {
            if (m_taken.failure)
                std::rethrow_exception(m_taken.failure);
            takeRun();
            if (m_taken.results.empty() && m_taken.failure)
                std::rethrow_exception(m_taken.failure);
        }
        return std::move(m_taken.results[m_takenUsed++]);
    }

private:
    // The results of one run of items, up to the first that failed.
    struct Slot
    {
        std::vector<Result> results;
        std::exception_ptr failure;
        bool done = false;
    };

    qsizetype limit() const { return m_limit.load(std::memory_order_relaxed); }

    void stopAndJoin()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_limit.store(0, std::memory_order_relaxed);
        }
        m_room.notify_all();
        for (std::thread &thread : m_threads)
            thread.join();
    }

    void takeRun()
    {
        {
            std::unique_lock lock(m_mutex);
            Slot &slot = m_slots[size_t(m_nextRun % qsizetype(m_slots.size()))];
            m_ready.wait(lock, [&] { return slot.done; });
            m_taken = std::move(slot);
            slot = Slot();
            ++m_nextRun;
        }
        m_takenUsed = 0;
        m_room.notify_all();
    }

    void run(int worker)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_room.wait(lock, [&] {
                return m_started >= limit() || m_startedRuns < m_nextRun + qsizetype(m_slots.size());
            });
            if (m_started >= limit())
                return;
            const qsizetype runIndex = m_startedRuns++;
            const qsizetype first = m_started;
            const qsizetype last = std::min(limit(), first + m_run);
            m_started = last;
            lock.unlock();
            Slot slot;
            try {
                slot.results.reserve(size_t(last - first));
                // Once an item has failed, or the work is being ended, no
                // later item is done.
                for (qsizetype item = first; item < last && item < limit(); ++item)
                    slot.results.push_back(m_work(worker, item));
            } catch (...) {
                slot.failure = std::current_exception();
            }
            slot.done = true;
            lock.lock();
            if (slot.failure) {
                const qsizetype failed = first + qsizetype(slot.results.size());
                if (failed + 1 < limit())
                    m_limit.store(failed + 1, std::memory_order_relaxed);
            }
            m_slots[size_t(runIndex % qsizetype(m_slots.size()))] = std::move(slot);
            if (runIndex == m_nextRun)
                m_ready.notify_one();
        }
    }

    const Work m_work;
    const qsizetype m_run;        // items in one run
    qsizetype m_started = 0;      // the first item no thread has started
    qsizetype m_startedRuns = 0;  // runs started
    qsizetype m_nextRun = 0;      // the run next() takes next
    qsizetype m_handed = 0;       // items next() worked itself, without threads
    // Items from here on are not done: all after the first known failure,
    // and all once the work is being ended. Changed under the lock; read by
    // running threads without it.
    std::atomic<qsizetype> m_limit;
    std::vector<Slot> m_slots;
    Slot m_taken;                 // the run next() hands out from
    size_t m_takenUsed = 0;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::vector<std::thread> m_threads;
};

} // namespace lorvane
