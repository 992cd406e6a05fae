#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Error.h"
#include "Tag.h"

// A strict DER reader over a span of bytes it does not own. Each read takes one element off the
// front; on failure the reader stays where it was. Lengths are definite and in their shortest
// form, tag numbers of 31 and above in their shortest base-128 form.
namespace der {

class Reader {
public:
    Reader() = default;
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}
    explicit Reader(const Bytes& bytes) : Reader(bytes.data(), bytes.size()) {}

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Bytes bytes() const { return Bytes(data_, data_ + size_); }

    // The next element whatever its tag: the tag, its contents and, if asked, the element whole.
    Error readAny(Tag& tag, Reader& contents, Reader* whole = nullptr);
    // The next element, which must have this tag.
    Error read(Tag tag, Reader& contents);
    // The same, giving the element whole (tag and length included).
    Error readElement(Tag tag, Reader& whole);
    // An OPTIONAL or DEFAULT element: absent (no error, present false) when the reader is at
    // its end or the next element has another tag; an error when it is there but malformed.
    Error readOptional(Tag tag, Reader& contents, bool& present);
    // TrailingBytes unless everything has been read.
    Error expectEnd() const { return empty() ? Error::None : Error::TrailingBytes; }

    // INTEGER: its contents octets (two's complement, most significant first), checked minimal.
    Error readInteger(Bytes& value);
    // A non-negative INTEGER that fits in 64 bits.
    Error readUnsigned(std::uint64_t& value);
    Error readBoolean(bool& value);
    // BOOLEAN DEFAULT FALSE: false when absent; BadBoolean when FALSE is written out, which
    // DER leaves out.
    Error readDefaultFalse(bool& value);
    Error readNull();
    Error readOid(std::string& dotted);
    // BIT STRING: its bytes and the number of unused bits in the last, which must be zero bits.
    Error readBitString(Bytes& value, unsigned& unusedBits);
    Error readOctetString(Bytes& value);
    // UTCTime or GeneralizedTime as ISO 8601 UTC: "YYYY-MM-DDTHH:MM:SSZ".
    Error readTime(std::string& iso);
    // UTF8String, PrintableString, IA5String, NumericString or BMPString as UTF-8, with the tag.
    Error readString(std::string& utf8, Tag& tag);

private:
    Error identifier(Tag& tag, std::size_t& size) const;
    Error header(Tag& tag, std::size_t& headerSize, std::size_t& contentSize) const;

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Whether the contents of an INTEGER are in DER's form: at least one octet, no ninth leading
// bit that only repeats the sign.
Error checkInteger(const std::uint8_t* contents, std::size_t size);

} // namespace der
