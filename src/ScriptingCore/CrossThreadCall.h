#pragma once

#include "FunctorCall.h"
#include "variant.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace FB {

// One call carried to the main thread: either fire-and-forget, or with a thread that waits
// for its result.
class CrossThreadCall {
public:
    explicit CrossThreadCall(std::unique_ptr<FunctorCall> functor);

    // Main thread, nobody waiting. Its failures have nowhere to go; the call manager drops
    // them.
    void RunAsync();

    // Main thread, for a waiting thread. A waiter that gave up has dropped the call, and the
    // expired reference skips it.
    static void RunSync(const std::weak_ptr<CrossThreadCall>& call);

    // The waiting thread: the result once the main thread has run the call. Gives up with
    // "Shutting down" when isShutDown() turns true before the call started; a call already
    // running is waited for, since its callable may refer to the waiter's data.
    variant WaitForResult(const std::function<bool()>& isShutDown);

private:
    std::unique_ptr<FunctorCall> m_functor;
    std::mutex m_mutex;
    std::condition_variable m_returnedCondition;
    bool m_started = false;
    bool m_abandoned = false; // the waiter gave up; the call must not start any more
    bool m_returned = false;
    variant m_result;
    std::exception_ptr m_error;
};

} // namespace FB
