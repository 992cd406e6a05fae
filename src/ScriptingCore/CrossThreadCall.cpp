#include "CrossThreadCall.h"

#include "script_error.h"

#include <chrono>
#include <utility>

namespace FB {

CrossThreadCall::CrossThreadCall(std::unique_ptr<FunctorCall> functor)
    : m_functor(std::move(functor)) {}

void CrossThreadCall::RunAsync() {
    m_functor->call();
}

void CrossThreadCall::RunSync(const std::weak_ptr<CrossThreadCall>& weakCall) {
    const std::shared_ptr<CrossThreadCall> call = weakCall.lock();
    if (!call)
        return;
    {
        std::lock_guard<std::mutex> lock(call->m_mutex);
        if (call->m_abandoned)
            return;
        call->m_started = true;
    }
    variant result;
    std::exception_ptr error;
    try {
        result = call->m_functor->call();
    } catch (const script_error& e) {
        // A page failure reaches the waiting thread as a script error with the same message.
        error = std::make_exception_ptr(script_error(e.what()));
    } catch (...) {
        error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(call->m_mutex);
    call->m_result = std::move(result);
    call->m_error = std::move(error);
    call->m_returned = true;
    call->m_returnedCondition.notify_all();
}

variant CrossThreadCall::WaitForResult(const std::function<bool()>& isShutDown) {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Polled, so that a shutdown ends the wait even when the call is never run.
    while (!m_returned && (m_started || !isShutDown()))
        m_returnedCondition.wait_for(lock, std::chrono::milliseconds(10));
    if (!m_returned) {
        m_abandoned = true;
        throw script_error("Shutting down");
    }
    // Taken out, so that only this thread holds them from now on.
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
    return std::move(m_result);
}

} // namespace FB
