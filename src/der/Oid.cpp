#include "Oid.h"

#include <limits>

namespace der {

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

void appendBase128(Bytes& out, std::uint64_t value) {
    std::uint8_t digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value > 0);
    while (count > 1)
        out.push_back(digits[--count] | 0x80);
    out.push_back(digits[0]);
}

} // namespace

Error oidToText(const std::uint8_t* contents, std::size_t size, std::string& dotted) {
    if (size == 0)
        return Error::BadOid;
    std::string text;
    std::uint64_t value = 0;
    bool first = true, inside = false;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t octet = contents[i];
        if (!inside && octet == 0x80)
            return Error::BadOid;
        if (value > (kMax >> 7))
            return Error::BadOid;
        value = value << 7 | (octet & 0x7F);
        inside = (octet & 0x80) != 0;
        if (inside)
            continue;
        if (first) {
            const std::uint64_t arc = value < 40 ? 0 : value < 80 ? 1 : 2;
            text = std::to_string(arc) + "." + std::to_string(value - 40 * arc);
            first = false;
        } else {
            text += "." + std::to_string(value);
        }
        value = 0;
    }
    if (inside)
        return Error::BadOid;
    dotted = text;
    return Error::None;
}

Error oidFromText(const std::string& dotted, Bytes& contents) {
    std::uint64_t arcs[2] = {0, 0};
    std::size_t count = 0;
    Bytes out;
    std::size_t at = 0;
    while (true) {
        const std::size_t start = at;
        std::uint64_t value = 0;
        while (at < dotted.size() && dotted[at] >= '0' && dotted[at] <= '9') {
            const unsigned digit = static_cast<unsigned>(dotted[at] - '0');
            if (value > (kMax - digit) / 10)
                return Error::BadOidText;
            value = value * 10 + digit;
            ++at;
        }
        if (at == start || (dotted[start] == '0' && at - start > 1))
            return Error::BadOidText;
        if (count < 2) {
            arcs[count] = value;
            if (count == 1) {
                if (arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40) || arcs[1] > kMax - 80)
                    return Error::BadOidText;
                appendBase128(out, arcs[0] * 40 + arcs[1]);
            }
        } else {
            appendBase128(out, value);
        }
        ++count;
        if (at == dotted.size())
            break;
        if (dotted[at] != '.')
            return Error::BadOidText;
        ++at;
    }
    if (count < 2)
        return Error::BadOidText;
    contents = out;
    return Error::None;
}

} // namespace der
