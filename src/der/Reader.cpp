#include "Reader.h"

#include "Oid.h"
#include "Strings.h"
#include "Time.h"

namespace der {

Error Reader::identifier(Tag& tag, std::size_t& size) const {
    if (size_ < 1)
        return Error::Truncated;
    const std::uint8_t first = data_[0];
    std::size_t at = 1;
    std::uint32_t number = first & 0x1F;
    if (number == 0x1F) {
        // High tag number: base-128, no leading zero digit, at least 31, below 2^29.
        number = 0;
        for (;;) {
            if (at >= size_)
                return Error::Truncated;
            const std::uint8_t digit = data_[at++];
            if (number == 0 && digit == 0x80)
                return Error::BadTag;
            if (number > (kTagNumberMask >> 7))
                return Error::BadTag;
            number = number << 7 | (digit & 0x7F);
            if (!(digit & 0x80))
                break;
        }
        if (number < 0x1F)
            return Error::BadTag;
    }
    tag = static_cast<Tag>(first & 0xE0) << 24 | number;
    size = at;
    return Error::None;
}

Error Reader::header(Tag& tag, std::size_t& headerSize, std::size_t& contentSize) const {
    std::size_t at = 0;
    if (const Error e = identifier(tag, at); e != Error::None)
        return e;
    if (at >= size_)
        return Error::Truncated;
    const std::uint8_t lengthOctet = data_[at++];
    std::size_t length = lengthOctet;
    if (lengthOctet == 0x80)
        return Error::IndefiniteLength;
    if (lengthOctet > 0x80) {
        const std::size_t octets = lengthOctet & 0x7F;
        if (octets > 4)
            return Error::LengthTooLarge;
        if (size_ - at < octets)
            return Error::Truncated;
        if (data_[at] == 0)
            return Error::NonMinimalLength;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < octets; ++i)
            value = value << 8 | data_[at + i];
        if (value < 0x80)
            return Error::NonMinimalLength;
        at += octets;
        length = value;
    }
    if (length > size_ - at)
        return Error::Truncated;
    headerSize = at;
    contentSize = length;
    return Error::None;
}

Error Reader::readAny(Tag& tag, Reader& contents, Reader* whole) {
    std::size_t headerSize = 0, contentSize = 0;
    if (const Error e = header(tag, headerSize, contentSize); e != Error::None)
        return e;
    contents = Reader(data_ + headerSize, contentSize);
    if (whole)
        *whole = Reader(data_, headerSize + contentSize);
    data_ += headerSize + contentSize;
    size_ -= headerSize + contentSize;
    return Error::None;
}

Error Reader::read(Tag tag, Reader& contents) {
    Tag found = 0;
    Reader copy = *this, inside;
    if (const Error e = copy.readAny(found, inside); e != Error::None)
        return e;
    if (found != tag)
        return Error::UnexpectedTag;
    *this = copy;
    contents = inside;
    return Error::None;
}

Error Reader::readElement(Tag tag, Reader& whole) {
    Tag found = 0;
    Reader copy = *this, inside, element;
    if (const Error e = copy.readAny(found, inside, &element); e != Error::None)
        return e;
    if (found != tag)
        return Error::UnexpectedTag;
    *this = copy;
    whole = element;
    return Error::None;
}

Error Reader::readOptional(Tag tag, Reader& contents, bool& present) {
    present = false;
    if (empty())
        return Error::None;
    // The identifier octets alone tell whether the element is there; once they match, any
    // fault after them is the element's.
    Tag found = 0;
    std::size_t identifierSize = 0;
    if (const Error e = identifier(found, identifierSize); e != Error::None)
        return e;
    if (found != tag)
        return Error::None;
    if (const Error e = read(tag, contents); e != Error::None)
        return e;
    present = true;
    return Error::None;
}

Error checkInteger(const std::uint8_t* contents, std::size_t size) {
    if (size == 0)
        return Error::BadInteger;
    if (size > 1 && ((contents[0] == 0x00 && !(contents[1] & 0x80)) ||
                     (contents[0] == 0xFF && (contents[1] & 0x80))))
        return Error::BadInteger;
    return Error::None;
}

Error Reader::readInteger(Bytes& value) {
    Reader copy = *this, contents;
    if (const Error e = copy.read(kInteger, contents); e != Error::None)
        return e;
    if (const Error e = checkInteger(contents.data(), contents.size()); e != Error::None)
        return e;
    value = contents.bytes();
    *this = copy;
    return Error::None;
}

Error Reader::readUnsigned(std::uint64_t& value) {
    Reader copy = *this;
    Bytes bytes;
    if (const Error e = copy.readInteger(bytes); e != Error::None)
        return e;
    if (bytes[0] & 0x80)
        return Error::IntegerTooLarge;
    const std::size_t skip = bytes[0] == 0 ? 1 : 0;
    if (bytes.size() - skip > 8)
        return Error::IntegerTooLarge;
    value = 0;
    for (std::size_t i = skip; i < bytes.size(); ++i)
        value = value << 8 | bytes[i];
    *this = copy;
    return Error::None;
}

Error Reader::readBoolean(bool& value) {
    Reader copy = *this, contents;
    if (const Error e = copy.read(kBoolean, contents); e != Error::None)
        return e;
    if (contents.size() != 1 || (contents.data()[0] != 0 && contents.data()[0] != 0xFF))
        return Error::BadBoolean;
    value = contents.data()[0] == 0xFF;
    *this = copy;
    return Error::None;
}

Error Reader::readDefaultFalse(bool& value) {
    Reader copy = *this, contents;
    bool present = false;
    if (const Error e = copy.readOptional(kBoolean, contents, present); e != Error::None)
        return e;
    bool written = false;
    if (present) {
        copy = *this;
        if (copy.readBoolean(written) != Error::None || !written)
            return Error::BadBoolean;
    }
    value = written;
    *this = copy;
    return Error::None;
}

Error Reader::readNull() {
    Reader copy = *this, contents;
    if (const Error e = copy.read(kNull, contents); e != Error::None)
        return e;
    if (!contents.empty())
        return Error::BadNull;
    *this = copy;
    return Error::None;
}

Error Reader::readOid(std::string& dotted) {
    Reader copy = *this, contents;
    if (const Error e = copy.read(kOid, contents); e != Error::None)
        return e;
    if (const Error e = oidToText(contents.data(), contents.size(), dotted); e != Error::None)
        return e;
    *this = copy;
    return Error::None;
}

Error Reader::readBitString(Bytes& value, unsigned& unusedBits) {
    Reader copy = *this, contents;
    if (const Error e = copy.read(kBitString, contents); e != Error::None)
        return e;
    if (contents.empty())
        return Error::BadBitString;
    const std::uint8_t unused = contents.data()[0];
    if (unused > 7 || (unused > 0 && contents.size() == 1))
        return Error::BadBitString;
    const std::uint8_t last = contents.data()[contents.size() - 1];
    if (unused > 0 && (last & ((1u << unused) - 1)) != 0)
        return Error::BadBitString;
    value.assign(contents.data() + 1, contents.data() + contents.size());
    unusedBits = unused;
    *this = copy;
    return Error::None;
}

Error Reader::readOctetString(Bytes& value) {
    Reader contents;
    if (const Error e = read(kOctetString, contents); e != Error::None)
        return e;
    value = contents.bytes();
    return Error::None;
}

Error Reader::readTime(std::string& iso) {
    Reader copy = *this, contents;
    Tag tag = 0;
    if (const Error e = copy.readAny(tag, contents); e != Error::None)
        return e;
    if (tag != kUtcTime && tag != kGeneralizedTime)
        return Error::UnexpectedTag;
    if (const Error e = timeToIso(tag, contents.data(), contents.size(), iso); e != Error::None)
        return e;
    *this = copy;
    return Error::None;
}

Error Reader::readString(std::string& utf8, Tag& tag) {
    Reader copy = *this, contents;
    Tag found = 0;
    if (const Error e = copy.readAny(found, contents); e != Error::None)
        return e;
    if (!isStringTag(found))
        return Error::UnexpectedTag;
    if (const Error e = decodeString(found, contents.data(), contents.size(), utf8);
        e != Error::None)
        return e;
    tag = found;
    *this = copy;
    return Error::None;
}

} // namespace der
