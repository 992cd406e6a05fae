#include "Builder.h"

#include <algorithm>

#include "Oid.h"
#include "Reader.h"
#include "Strings.h"

namespace der {

bool derSetLess(const Bytes& a, const Bytes& b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t x = i < a.size() ? a[i] : 0, y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x < y;
    }
    return false;
}

void Builder::writeTag(Tag tag) {
    const auto first = static_cast<std::uint8_t>(tag >> 24 & 0xE0);
    const std::uint32_t number = tag & kTagNumberMask;
    if (number < 0x1F) {
        out_.push_back(first | static_cast<std::uint8_t>(number));
        return;
    }
    out_.push_back(first | 0x1F);
    std::uint8_t digits[5];
    std::size_t count = 0;
    for (std::uint32_t rest = number; rest > 0; rest >>= 7)
        digits[count++] = static_cast<std::uint8_t>(rest & 0x7F);
    while (count > 1)
        out_.push_back(digits[--count] | 0x80);
    out_.push_back(digits[0]);
}

void Builder::open(Tag tag) {
    writeTag(tag);
    open_.push_back({out_.size(), false});
    out_.push_back(0);
}

void Builder::openSetOf() {
    open(kSet);
    open_.back().sorted = true;
}

void Builder::close() {
    if (open_.empty()) {
        fail(Error::Unfinished);
        return;
    }
    const Open element = open_.back();
    open_.pop_back();
    const std::size_t begin = element.lengthAt + 1;
    if (element.sorted)
        sortSetContents(begin);
    const std::size_t length = out_.size() - begin;
    if (length < 0x80) {
        out_[element.lengthAt] = static_cast<std::uint8_t>(length);
        return;
    }
    Bytes octets;
    for (std::size_t rest = length; rest > 0; rest >>= 8)
        octets.insert(octets.begin(), static_cast<std::uint8_t>(rest & 0xFF));
    out_[element.lengthAt] = static_cast<std::uint8_t>(0x80 | octets.size());
    out_.insert(out_.begin() + static_cast<std::ptrdiff_t>(begin), octets.begin(), octets.end());
}

void Builder::sortSetContents(std::size_t begin) {
    std::vector<Bytes> elements;
    Reader contents(out_.data() + begin, out_.size() - begin);
    while (!contents.empty()) {
        Tag tag = 0;
        Reader inside, whole;
        if (contents.readAny(tag, inside, &whole) != Error::None) {
            fail(Error::Unfinished);
            return;
        }
        elements.push_back(whole.bytes());
    }
    std::stable_sort(elements.begin(), elements.end(), derSetLess);
    out_.resize(begin);
    for (const Bytes& e : elements)
        out_.insert(out_.end(), e.begin(), e.end());
}

void Builder::addEncoded(const Bytes& elements) {
    out_.insert(out_.end(), elements.begin(), elements.end());
}

void Builder::addPrimitive(Tag tag, const std::uint8_t* contents, std::size_t size) {
    open(tag);
    out_.insert(out_.end(), contents, contents + size);
    close();
}

void Builder::addUnsignedInteger(const Bytes& bigEndian) {
    std::size_t skip = 0;
    while (skip < bigEndian.size() && bigEndian[skip] == 0)
        ++skip;
    Bytes contents(bigEndian.begin() + static_cast<std::ptrdiff_t>(skip), bigEndian.end());
    if (contents.empty() || (contents[0] & 0x80))
        contents.insert(contents.begin(), 0);
    addPrimitive(kInteger, contents);
}

void Builder::addUnsigned(std::uint64_t value) {
    Bytes bytes;
    for (std::uint64_t rest = value; rest > 0; rest >>= 8)
        bytes.insert(bytes.begin(), static_cast<std::uint8_t>(rest & 0xFF));
    addUnsignedInteger(bytes);
}

void Builder::addBoolean(bool value) {
    const std::uint8_t octet = value ? 0xFF : 0x00;
    addPrimitive(kBoolean, &octet, 1);
}

void Builder::addNull() {
    addPrimitive(kNull, nullptr, 0);
}

void Builder::addOid(const std::string& dotted) {
    Bytes contents;
    if (const Error e = oidFromText(dotted, contents); e != Error::None)
        fail(e);
    addPrimitive(kOid, contents);
}

void Builder::addBitString(const Bytes& bytes) {
    Bytes contents{0};
    contents.insert(contents.end(), bytes.begin(), bytes.end());
    addPrimitive(kBitString, contents);
}

void Builder::addNamedBits(std::uint32_t bits) {
    Bytes bytes;
    for (unsigned bit = 0; bit < 32; ++bit) {
        if (!(bits >> bit & 1))
            continue;
        if (bytes.size() <= bit / 8)
            bytes.resize(bit / 8 + 1);
        bytes[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    }
    std::uint8_t unused = 0;
    if (!bytes.empty())
        while (!(bytes.back() >> unused & 1))
            ++unused;
    Bytes contents{unused};
    contents.insert(contents.end(), bytes.begin(), bytes.end());
    addPrimitive(kBitString, contents);
}

void Builder::addString(Tag tag, const std::string& utf8) {
    Bytes contents;
    if (const Error e = encodeString(tag, utf8, contents); e != Error::None)
        fail(e);
    addPrimitive(tag, contents);
}

Error Builder::finish(Bytes& out) const {
    if (error_ != Error::None)
        return error_;
    if (!open_.empty())
        return Error::Unfinished;
    out = out_;
    return Error::None;
}

} // namespace der
