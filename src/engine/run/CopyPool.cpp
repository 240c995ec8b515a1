#include "engine/run/CopyPool.h"

CopyPool::CopyPool(int threads, std::size_t maxWaiting) : m_maxWaiting(maxWaiting)
{
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { work(); });
}

CopyPool::~CopyPool()
{
    abandon();
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void CopyPool::submit(std::vector<Task> batch)
{
    if (batch.empty())
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting < m_maxWaiting || m_abandon.load(); });
    const std::size_t n = batch.size();
    m_queue.push_back({std::move(batch), m_given});
    m_given += n;
    m_waiting += n;
    m_outcomes.resize(m_outcomes.size() + n);
    lock.unlock();
    m_changed.notify_all();
}

bool CopyPool::take(std::exception_ptr &error, bool wait)
{
    std::unique_lock lock(m_mutex);
    if (m_outcomes.empty())
        return false;
    if (!m_outcomes.front().done) {
        if (!wait)
            return false;
        m_changed.wait(lock, [this] { return m_outcomes.front().done; });
    }
    error = std::move(m_outcomes.front().error);
    m_outcomes.pop_front();
    ++m_taken;
    return true;
}

void CopyPool::abandon()
{
    {
        const std::lock_guard lock(m_mutex);
        m_abandon = true;
    }
    m_changed.notify_all();
}

void CopyPool::work()
{
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_quit; });
            if (m_queue.empty())
                return;
            batch = std::move(m_queue.front());
            m_queue.pop_front();
            m_waiting -= batch.tasks.size();
        }
        m_changed.notify_all();
        for (std::size_t i = 0; i < batch.tasks.size(); ++i) {
            std::exception_ptr error;
            if (!abandoned()) {
                try {
                    batch.tasks[i]();
                } catch (...) {
                    error = std::current_exception();
                }
            }
            {
                const std::lock_guard lock(m_mutex);
                Outcome &o = m_outcomes[batch.first + i - m_taken];
                o.done = true;
                o.error = std::move(error);
            }
            m_changed.notify_all();
        }
    }
}
