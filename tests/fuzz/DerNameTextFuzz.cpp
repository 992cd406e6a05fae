// A subject as a page writes it, in RFC 4514 text, for a certificate request. A name the
// layer accepts is written, read back and written as text again into the same name, and a
// request carries it.
#include "Name.h"
#include "Request.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

der::Bytes encoded(const der::Name& name) {
    der::Builder out;
    der::writeName(out, name);
    der::Bytes bytes;
    if (out.finish(bytes) != der::Error::None)
        std::abort(); // what the rules let in must be writable
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    der::Name name;
    if (der::nameFromText(std::string(data, data + size), name) != der::Error::None)
        return 0;
    const der::Bytes bytes = encoded(name);
    der::Reader reader(bytes);
    der::Name read, fromText;
    if (der::readName(reader, read) != der::Error::None || !reader.empty() ||
        encoded(read) != bytes)
        std::abort();
    if (der::nameFromText(der::nameToText(read), fromText) != der::Error::None ||
        encoded(fromText) != bytes)
        std::abort();
    der::GostPublicKey key{der::KeyAlgorithm::Gost2012_256, "1.2.643.7.1.2.1.1.1",
                           der::Bytes(64, 0x01)};
    const der::RequestSigner sign = [](const der::Bytes&, der::Bytes& r, der::Bytes& s) {
        r.assign(32, 0x02);
        s.assign(32, 0x03);
        return true;
    };
    der::Bytes request;
    if (der::buildRequest(name, key, {}, sign, request) != der::Error::None)
        std::abort();
    return 0;
}
