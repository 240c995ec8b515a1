#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few threads that make a run's copies while the run walks on. Work comes
// in batches (one thread does a batch's tasks in order: the files of one
// folder), and the outcomes are taken back in the order the tasks were given,
// so that whatever they report comes in the order of the list.
class CopyPool {
public:
    using Task = std::function<void()>; // throws what went wrong

    // maxWaiting: tasks given and not yet started, before submit() waits.
    CopyPool(int threads, std::size_t maxWaiting);
    // Drops the tasks not started and waits for those running.
    ~CopyPool();
    CopyPool(const CopyPool &) = delete;
    CopyPool &operator=(const CopyPool &) = delete;

    void submit(std::vector<Task> batch);
    // The outcome of the oldest task not yet taken (error null when it went
    // well); false when there is none, or with wait unset, when it is not done.
    bool take(std::exception_ptr &error, bool wait);
    // From now on tasks not started are dropped; running ones are asked to
    // stop by abandoned().
    void abandon();
    bool abandoned() const { return m_abandon.load(std::memory_order_acquire); }

private:
    struct Batch {
        std::vector<Task> tasks;
        std::size_t first; // the number of its first task
    };
    struct Outcome {
        bool done = false;
        std::exception_ptr error;
    };
    void work();

    const std::size_t m_maxWaiting;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_queue;
    std::size_t m_waiting = 0;       // tasks in m_queue
    std::deque<Outcome> m_outcomes; // from task m_taken on
    std::size_t m_taken = 0, m_given = 0;
    std::atomic<bool> m_abandon{false};
    bool m_quit = false;
    std::vector<std::thread> m_threads; // last: start once everything above exists
};
