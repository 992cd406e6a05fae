#pragma once

#include "FactoryBase.h"
#include "JsonValue.h"
#include "MessageFraming.h"
#include "MessageLoop.h"
#include "MessageWriter.h"
#include "NativeBrowserHost.h"

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
//   {"type": "destroy", "instance": "I"}
//       the element is gone: its calls are stopped and their callbacks dropped.
// From the host:
//   {"type": "result", "id": ID, "value": V}
//   {"type": "error", "id": ID, "kind": "script" | "protocol", "message": "..."}
//       a script exception of the call, or a message the host could not take (without "id"
//       when none could be read)
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

private:
    struct Instance {
        std::shared_ptr<NativeBrowserHost> host;
        PluginCorePtr plugin;
    };

    void handle(const std::string& body);
    void call(const Json& message);
    void destroy(const std::string& id);
    Instance& instance(const std::string& id, const std::string& origin);
    void shutDown(Instance& instance);
    void sendError(const Json& id, const char* kind, const std::string& message);

    const std::shared_ptr<MessageWriter> m_writer;
    const std::string m_modulePath;
    const FactoryBasePtr m_factory;
    const std::shared_ptr<MessageLoop> m_loop;
    std::map<std::string, Instance> m_instances;
};

} // namespace FB::NativeMessaging
