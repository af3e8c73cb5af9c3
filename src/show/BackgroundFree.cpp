#include "show/BackgroundFree.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

class CWorker
{
public:
    ~CWorker()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void Run(std::function<void()> free)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { Work(); });
            } catch (const std::system_error&) {
                lock.unlock();
                free();
                return;
            }
        }
        m_jobs.push_back(std::move(free));
        lock.unlock();
        m_changed.notify_all();
    }

    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // stopping, and nothing left
            std::function<void()> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
            lock.unlock();
            job();
            job = nullptr;
            lock.lock();
            m_busy = false;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    std::thread m_thread;
    bool m_busy = false;
    bool m_stopping = false;
};

CWorker& Worker()
{
    static CWorker worker;
    return worker;
}

} // namespace

void CBackgroundFree::Run(std::function<void()> free)
{
    Worker().Run(std::move(free));
}

void CBackgroundFree::Wait()
{
    Worker().Wait();
}
