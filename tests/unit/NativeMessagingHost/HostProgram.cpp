#include "HostProgram.h"

#include "Launch.h"
#include "MemoryStreams.h"
#include "Store.h"

#include <cstring>
#include <filesystem>
#include <istream>

using FB::NativeMessaging::Json;
namespace fs = std::filesystem;

HostProgram::HostProgram(const std::string& slots) : m_folder(pinAnswer()) {
    const fs::path host = fs::u8path(KV_HOST_PROGRAM);
    fs::copy_file(host, m_folder.path() / host.filename());
    const fs::path module = fs::u8path(KV_TOKEN_MODULE);
    fs::copy_file(module, m_folder.path() / module.filename());
    fs::create_directory(m_folder.path() / "token");
    if (!slots.empty())
        softtoken::Store(m_folder.path() / "token").writeConfig(slots);
    process::context ctx;
    ctx.env = process::self::get_environment();
    ctx.env["KVSOFTTOKEN_DIR"] = (m_folder.path() / "token").u8string();
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    m_child = std::make_unique<process::child>(
        process::launch((m_folder.path() / host.filename()).wstring(), {"kestrova-host"}, ctx));
}

void HostProgram::send(const std::string& body) {
    sendRaw(frame(body));
}

void HostProgram::sendRaw(const std::string& bytes) {
    *m_child->get_stdin() << bytes << std::flush;
}

Json HostProgram::receive() {
    std::istream& out = *m_child->get_stdout();
    char header[4];
    if (!out.read(header, 4))
        return nullptr;
    std::uint32_t length = 0;
    std::memcpy(&length, header, 4);
    std::string body(length, '\0');
    if (!out.read(body.data(), length))
        return nullptr;
    return Json::parse(body);
}

Json HostProgram::result() {
    for (Json message = receive(); !message.is_null(); message = receive())
        if (message["type"] == "result" || message["type"] == "error")
            return message;
    return nullptr;
}

int HostProgram::finish() {
    m_child->get_stdin()->close();
    return m_child->wait();
}

std::string call(int id, const std::string& member, const Json& args, const std::string& instance,
                 const std::string& origin) {
    return Json{{"type", "call"},   {"id", id},         {"instance", instance},
                {"origin", origin}, {"member", member}, {"args", args}}
        .dump();
}
