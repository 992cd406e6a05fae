#include "NativeHost.h"

#include "JSAPI.h"
#include "PageFunction.h"
#include "PluginCore.h"
#include "SecureWipe.h"
#include "script_error.h"

#include <exception>
#include <thread>

namespace FB::NativeMessaging {

namespace {

// A message the host cannot take.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const Json& field(const Json& message, const char* name, Json::value_t type, const char* typeName) {
    const auto found = message.find(name);
    if (found == message.end() || found->type() != type)
        throw ProtocolError(std::string("\"") + name + "\" must be " + typeName);
    return *found;
}

std::string text(const Json& message, const char* name) {
    return field(message, name, Json::value_t::string, "text").get<std::string>();
}

} // namespace

NativeHost::NativeHost(std::shared_ptr<ByteSink> output, std::string modulePath,
                       FactoryBasePtr factory)
    : m_writer(std::make_shared<MessageWriter>(std::move(output))),
      m_modulePath(std::move(modulePath)), m_factory(std::move(factory)),
      m_loop(std::make_shared<MessageLoop>()) {
    ThreadBudget::process().setLimits(kBusyThreads, kIdleThreads);
}

NativeHost::~NativeHost() = default;

void NativeHost::run(ByteSource& input) {
    std::thread reader([this, &input] {
        for (;;) {
            Frame frame = readFrame(input);
            if (frame.kind == Frame::EndOfInput)
                break;
            if (frame.kind == Frame::TooLarge) {
                const std::string message = "A message of " + std::to_string(frame.length) +
                                            " bytes is over the limit of " +
                                            std::to_string(maxMessageToHost) + " bytes";
                m_loop->post([this, message] { sendError(nullptr, "protocol", message); });
                continue;
            }
            m_loop->post([this, body = std::move(frame.body)] { handle(body); });
        }
        m_loop->post([this] { m_loop->quit(); });
    });
    m_loop->run();
    reader.join();

    for (auto& entry : m_instances)
        shutDown(entry.second);
    m_instances.clear();
    // Every element's PIN entry is ended, so its calls end too.
    m_shutdowns.joinAll();
    m_callThreads.joinAll();
    try {
        m_factory->GlobalPluginDeinitialize();
    } catch (const std::exception&) {
        // The module refused to finalise; the process ends regardless.
    }
}

void NativeHost::handle(const std::string& body) {
    // Parsing and converting a call's arguments, a PIN among them perhaps, leaves copies in
    // this thread's dead frames.
    const StackWipedOnReturn wipeStack(true);
    Json message;
    try {
        message = Json::parse(body);
    } catch (const Json::exception& e) {
        sendError(nullptr, "protocol", std::string("The message is not JSON: ") + e.what());
        return;
    }
    const Json id = message.is_object() ? message.value("id", Json()) : Json();
    try {
        if (!message.is_object())
            throw ProtocolError("The message is not an object");
        const std::string type = text(message, "type");
        if (type == "call")
            call(message);
        else if (type == "destroy")
            destroy(text(message, "instance"));
        else
            throw ProtocolError("Unknown message type \"" + type + "\"");
    } catch (const ProtocolError& e) {
        sendError(id, "protocol", e.what());
    } catch (const Json::exception& e) {
        sendError(id, "protocol", e.what());
    }
}

void NativeHost::call(const Json& message) {
    if (!message.contains("id"))
        throw ProtocolError("\"id\" must be present");
    const Json& id = message["id"];
    const std::string instanceId = text(message, "instance");
    const std::string origin = text(message, "origin");
    const std::string member = text(message, "member");
    const Json noArgs = Json::array();
    const Json& args =
        message.contains("args") ? field(message, "args", Json::value_t::array, "a list") : noArgs;
    if (instanceId.empty())
        throw ProtocolError("\"instance\" must not be empty");

    const Instance& target = instance(instanceId, origin);
    VariantList values;
    try {
        const std::weak_ptr<NativeBrowserHost> host = target.host;
        for (const Json& arg : args) {
            values.push_back(fromJson(arg, [this, host, instanceId](std::int64_t function) {
                return std::make_shared<PageFunction>(host.lock(), m_writer, instanceId, function);
            }));
        }
    } catch (const std::exception& e) {
        sendError(id, "script", e.what());
        return;
    }
    try {
        target.calls->post(
            [id, host = target.host, plugin = target.plugin, member, values = std::move(values)] {
                return answer(id, *host, *plugin, member, values);
            });
    } catch (const TooManyThreads&) {
        sendError(id, "busy",
                  "The Kestrova host runs as many calls as it may (" +
                      std::to_string(kBusyThreads) + "): try again when some have ended");
    } catch (const std::exception& e) {
        // No thread could be started.
        sendError(id, "script", e.what());
    }
}

Json NativeHost::answer(const Json& id, const NativeBrowserHost& host, PluginCore& plugin,
                        const std::string& member, const VariantList& values) {
    if (host.IsShutDown())
        return error(id, "script", "The element is gone");
    try {
        const JSAPIPtr api = plugin.GetRootJSAPI();
        if (!api)
            throw script_error("The scripting object could not be made: is the token module "
                               "beside the host?");
        return Json{{"type", "result"}, {"id", id}, {"value", toJson(api->Invoke(member, values))}};
    } catch (const std::exception& e) {
        return error(id, "script", e.what());
    }
}

void NativeHost::reply(const Json& answer) {
    if (!m_writer->send(answer) && answer["type"] == "result")
        sendError(answer["id"], "script", "The result is too large to reach the page");
}

NativeHost::Instance& NativeHost::instance(const std::string& id, const std::string& origin) {
    const auto found = m_instances.find(id);
    if (found != m_instances.end()) {
        if (found->second.host->GetPageOrigin() != origin)
            throw ProtocolError("Element " + id + " belongs to another site");
        return found->second;
    }
    auto host = std::make_shared<NativeBrowserHost>(m_loop, origin);
    const PluginCorePtr plugin = m_factory->CreatePlugin(pluginIdentity().mimeType);
    if (!plugin)
        throw ProtocolError("No plug-in object could be made");
    plugin->SetHost(host);
    plugin->SetFSPath(m_modulePath);
    plugin->SetParams({});
    plugin->SetReady();
    auto calls = std::make_shared<ElementCalls>(m_callThreads,
                                                [this](const Json& answer) { reply(answer); });
    return m_instances.emplace(id, Instance{std::move(host), plugin, std::move(calls)})
        .first->second;
}

void NativeHost::destroy(const std::string& id) {
    const auto found = m_instances.find(id);
    if (found == m_instances.end())
        return;
    shutDown(found->second);
    m_instances.erase(found);
}

// As a browser tears an element down: the host first, so that callbacks of calls still running
// are dropped and calls still queued refused, then the plug-in object, which ends the element's
// PIN entry and waits for its workers. Those may wait for the token behind another element's
// PIN dialog, so the main loop does not wait for them.
void NativeHost::shutDown(Instance& instance) {
    const PluginCorePtr plugin = instance.plugin;
    const auto shutDownPlugin = [plugin] {
        try {
            plugin->ClearWindow();
            plugin->Shutdown();
        } catch (const std::exception&) {
            // The element goes regardless.
        }
    };
    try {
        instance.host->Shutdown();
    } catch (const std::exception&) {
    }
    try {
        m_shutdowns.run(shutDownPlugin);
    } catch (const std::exception&) {
        // No thread could be started: the main loop waits instead.
        shutDownPlugin();
    }
}

void NativeHost::sendError(const Json& id, const char* kind, const std::string& message) {
    m_writer->send(error(id, kind, message));
}

Json NativeHost::error(const Json& id, const char* kind, const std::string& message) {
    Json error{{"type", "error"}, {"kind", kind}, {"message", message}};
    if (!id.is_null())
        error["id"] = id;
    return error;
}

} // namespace FB::NativeMessaging
