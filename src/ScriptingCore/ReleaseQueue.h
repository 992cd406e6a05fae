#pragma once

#include <mutex>
#include <vector>

namespace FB {

// Browser objects whose release waits for the main thread: any thread may push one, the main
// thread takes them all and releases them.
template <class Object> class ReleaseQueue {
public:
    void Push(Object* object) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(object);
    }

    std::vector<Object*> TakeAll() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Object*> taken;
        taken.swap(m_queue);
        return taken;
    }

private:
    std::mutex m_mutex;
    std::vector<Object*> m_queue;
};

} // namespace FB
