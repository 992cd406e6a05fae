#include "NativeHost.h"

#include "JSAPI.h"
#include "PageFunction.h"
#include "PluginCore.h"
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
      m_loop(std::make_shared<MessageLoop>()) {}

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
    try {
        m_factory->GlobalPluginDeinitialize();
    } catch (const std::exception&) {
        // The module refused to finalise; the process ends regardless.
    }
}

void NativeHost::handle(const std::string& body) {
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

    Instance& target = instance(instanceId, origin);
    try {
        const JSAPIPtr api = target.plugin->GetRootJSAPI();
        if (!api)
            throw script_error("The scripting object could not be made: is the token module "
                               "beside the host?");
        VariantList values;
        const std::weak_ptr<NativeBrowserHost> host = target.host;
        for (const Json& arg : args) {
            values.push_back(fromJson(arg, [this, host, instanceId](std::int64_t function) {
                return std::make_shared<PageFunction>(host.lock(), m_writer, instanceId, function);
            }));
        }
        const Json value = toJson(api->Invoke(member, values));
        if (!m_writer->send(Json{{"type", "result"}, {"id", id}, {"value", value}}))
            sendError(id, "script", "The result is too large to reach the page");
    } catch (const std::exception& e) {
        sendError(id, "script", e.what());
    }
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
    return m_instances.emplace(id, Instance{std::move(host), plugin}).first->second;
}

void NativeHost::destroy(const std::string& id) {
    const auto found = m_instances.find(id);
    if (found == m_instances.end())
        return;
    shutDown(found->second);
    m_instances.erase(found);
}

// As a browser tears an element down: the host first, so that callbacks of calls still running
// are dropped, then the plug-in object, which waits for those calls.
void NativeHost::shutDown(Instance& instance) {
    try {
        instance.host->Shutdown();
        instance.plugin->ClearWindow();
        instance.plugin->Shutdown();
    } catch (const std::exception&) {
        // The element goes regardless.
    }
}

void NativeHost::sendError(const Json& id, const char* kind, const std::string& message) {
    Json error{{"type", "error"}, {"kind", kind}, {"message", message}};
    if (!id.is_null())
        error["id"] = id;
    m_writer->send(error);
}

} // namespace FB::NativeMessaging
