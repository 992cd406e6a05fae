// What pinentry answers Gui.bin over the Assuan protocol: the greeting, then the replies to the
// commands of one PIN dialog.
#include "Assuan.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    const auto failures = std::ios::failbit | std::ios::badbit | std::ios::eofbit;
    in.exceptions(failures);
    out.exceptions(failures);
    assuan::Client client(out, in);
    try {
        client.greet();
        client.require("SETDESC " + assuan::escape(std::string(data, data + size), 900));
        const assuan::Reply reply = client.transact("GETPIN");
        if (reply.ok && reply.error != 0)
            std::abort();
        assuan::isCancel(reply.error);
    } catch (const std::exception&) {
    }
    // Whatever the server says, each command Gui.bin sends stays one line.
    std::size_t lines = 0;
    for (const char c : out.str())
        lines += c == '\n';
    if (lines > 2)
        std::abort();
    return 0;
}
