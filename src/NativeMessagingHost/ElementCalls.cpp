#include "ElementCalls.h"

#include "SecureWipe.h"

#include <utility>

namespace FB::NativeMessaging {

namespace {

// The call's answer. Its frames and registers held the page's arguments, a PIN among them
// perhaps, and the worker lives on: they are wiped before the answer goes, so that once the
// browser has it no copy is left.
[[gnu::noinline]] Json answerWiped(ElementCalls::Call& queued) {
    Json answer;
    {
        const StackWipedOnReturn wipeStack(true);
        const ElementCalls::Call call = std::move(queued);
        answer = call();
    }
    return answer;
}

} // namespace

ElementCalls::ElementCalls(WorkerPool& threads, Send send)
    : m_threads(threads), m_send(std::move(send)) {}

void ElementCalls::post(Call call) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
    if (m_running)
        return;
    try {
        m_threads.run([self = shared_from_this()] { self->drain(); });
    } catch (...) {
        m_calls.pop_back();
        throw;
    }
    m_running = true;
}

void ElementCalls::drain() {
    for (;;) {
        Call call;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_calls.empty()) {
                m_running = false;
                return;
            }
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        m_send(answerWiped(call));
    }
}

} // namespace FB::NativeMessaging
