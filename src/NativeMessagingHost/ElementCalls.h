#pragma once

#include "JsonValue.h"
#include "WorkerPool.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace FB::NativeMessaging {

// The calls of one page element, run one at a time in the order they came, on the host's
// worker threads instead of its main loop: a call that waits (for the PIN dialog, for the
// token) holds up its own element's later calls only, never the messages of the others nor
// the element's going.
class ElementCalls : public std::enable_shared_from_this<ElementCalls> {
public:
    // A call gives back its answer for the browser.
    using Call = std::function<Json()>;
    using Send = std::function<void(const Json& answer)>;

    // threads outlives every call posted.
    ElementCalls(WorkerPool& threads, Send send);

    // Queues call behind the element's others. TooManyThreads (and nothing queued) when none
    // is running and no worker may take it up.
    void post(Call call);

private:
    void drain();

    WorkerPool& m_threads;
    const Send m_send;
    std::mutex m_mutex;
    std::deque<Call> m_calls; // under m_mutex
    bool m_running = false;   // under m_mutex: a worker drains m_calls
};

} // namespace FB::NativeMessaging
