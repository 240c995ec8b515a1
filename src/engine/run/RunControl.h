#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

// Whether a run goes on, for every host alike. The run calls checkpoint()
// before each item from its own thread; any other thread may pause, resume or
// stop it. While paused (the Cancel question is open) the run waits inside
// checkpoint(), so it does not move on while the user decides.
class RunControl {
public:
    // The run's side: waits while paused; true when the run must stop now.
    bool checkpoint();

    // For the run's helper threads, around what the user must not see
    // happen while the Cancel question is open: enter waits while paused
    // and returns false once the run stops; pause() waits for those inside.
    bool enterWork();
    void leaveWork();

    void pause();
    void resume();
    // The run stops at its next checkpoint; a paused run is let go to do so.
    void stop();
    bool stopped() const { return m_stop.load(std::memory_order_acquire); }
    // Whether the run is waiting in a checkpoint right now (for tests and hosts
    // that want to know the run has really halted).
    bool holding() const;

    // Holds the run for as long as it lives.
    class Pause {
    public:
        explicit Pause(RunControl &control) : m_control(control) { m_control.pause(); }
        ~Pause() { m_control.resume(); }
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;

    private:
        RunControl &m_control;
    };

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_holding = false;
    int m_working = 0; // helper threads inside enterWork()
    std::atomic<bool> m_pauseRequested{false}; // lets a checkpoint skip the lock
    std::atomic<bool> m_stop{false};
};
