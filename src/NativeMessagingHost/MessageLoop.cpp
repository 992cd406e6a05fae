#include "MessageLoop.h"

namespace FB::NativeMessaging {

bool MessageLoop::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_quit)
            return false;
        m_tasks.push_back(std::move(task));
    }
    m_ready.notify_one();
    return true;
}

void MessageLoop::run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return m_quit || !m_tasks.empty(); });
            if (m_quit) {
                m_tasks.clear();
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

void MessageLoop::quit() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_ready.notify_one();
}

} // namespace FB::NativeMessaging
