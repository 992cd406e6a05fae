#pragma once

#include "ElementCalls.h"
#include "FactoryBase.h"
#include "JsonValue.h"
#include "MessageFraming.h"
#include "MessageLoop.h"
#include "MessageWriter.h"
#include "NativeBrowserHost.h"
#include "ThreadBudget.h"
#include "WorkerPool.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>

namespace FB::NativeMessaging {

// The host program's work: the plug-in objects of the page elements that the extension names,
// and the messages between them and the browser.
//
// To the host:
//   {"type": "call", "id": ID, "instance": "I", "origin": "O", "member": "M", "args": [...]}
//       calls member M of element I's scripting object; the element's plug-in object is made on
//       first use for the page of origin O. ID is any JSON value and comes back in the answer.
//       An element's calls run one at a time in the order they came, each element's beside
//       the others', all off the main loop.
//   {"type": "destroy", "instance": "I"}
//       the element is gone: its PIN entry ends, its calls are stopped, those still queued are
//       refused and their callbacks dropped.
// From the host:
//   {"type": "result", "id": ID, "value": V}
//   {"type": "error", "id": ID, "kind": "script" | "protocol" | "busy", "message": "..."}
//       a script exception of the call, a message the host could not take (without "id"
//       when none could be read), or a call not run because the host runs as many as it may
//       (a callback call's worker refused so answers the code -13 as its result instead)
//   {"type": "callback", "instance": "I", "function": F, "args": [...]}
//       the extension calls page function F of element I with the arguments
//   {"type": "release", "instance": "I", "function": F}
//       the host holds page function F no longer
class NativeHost {
public:
    // modulePath: the file beside which the token module and the PIN-entry program lie.
    NativeHost(std::shared_ptr<ByteSink> output, std::string modulePath, FactoryBasePtr factory);
    ~NativeHost();
    NativeHost(const NativeHost&) = delete;
    NativeHost& operator=(const NativeHost&) = delete;

    // Serves the messages of input on the calling thread, the main thread, until input ends;
    // then shuts every element down and ends the process's use of the token module.
    void run(ByteSource& input);

    // The process's bound on worker threads running calls, the elements' and their plug-in
    // objects' together, and on finished ones kept for the next call: a page cannot make the
    // host start threads without end, however many elements it makes.
    static constexpr std::size_t kBusyThreads = 64;
    static constexpr std::size_t kIdleThreads = 8;

private:
    struct Instance {
        std::shared_ptr<NativeBrowserHost> host;
        PluginCorePtr plugin;
        std::shared_ptr<ElementCalls> calls;
    };

    void handle(const std::string& body);
    void call(const Json& message);
    // On the element's worker: the answer to a call of member with values.
    static Json answer(const Json& id, const NativeBrowserHost& host, PluginCore& plugin,
                       const std::string& member, const VariantList& values);
    void reply(const Json& answer);
    void destroy(const std::string& id);
    Instance& instance(const std::string& id, const std::string& origin);
    void shutDown(Instance& instance);
    void sendError(const Json& id, const char* kind, const std::string& message);
    static Json error(const Json& id, const char* kind, const std::string& message);

    const std::shared_ptr<MessageWriter> m_writer;
    const std::string m_modulePath;
    const FactoryBasePtr m_factory;
    const std::shared_ptr<MessageLoop> m_loop;
    std::map<std::string, Instance> m_instances;
    // The elements' calls, within the process's budget.
    WorkerPool m_callThreads;
    // Elements going: each waits for its plug-in object's workers off the main loop. Not
    // bounded by the budget, which the workers waited for count in already.
    ThreadBudget m_shutdownBudget;
    WorkerPool m_shutdowns{m_shutdownBudget};
};

} // namespace FB::NativeMessaging
