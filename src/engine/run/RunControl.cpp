#include "engine/run/RunControl.h"

bool RunControl::checkpoint()
{
    if (m_pauseRequested.load(std::memory_order_acquire)) {
        std::unique_lock lock(m_mutex);
        m_holding = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_paused || m_stop.load(); });
        m_holding = false;
    }
    return stopped();
}

bool RunControl::enterWork()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_paused || m_stop.load(); });
    if (m_stop.load())
        return false;
    ++m_working;
    return true;
}

void RunControl::leaveWork()
{
    {
        const std::lock_guard lock(m_mutex);
        --m_working;
    }
    m_changed.notify_all();
}

void RunControl::pause()
{
    std::unique_lock lock(m_mutex);
    m_paused = true;
    m_pauseRequested = true;
    m_changed.wait(lock, [this] { return m_working == 0; });
}

void RunControl::resume()
{
    {
        const std::lock_guard lock(m_mutex);
        m_paused = false;
        m_pauseRequested = false;
    }
    m_changed.notify_all();
}

void RunControl::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
}

bool RunControl::holding() const
{
    const std::lock_guard lock(m_mutex);
    return m_holding;
}
