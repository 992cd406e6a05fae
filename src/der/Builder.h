#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Error.h"
#include "Tag.h"

// A DER builder. An element is opened, its contents added, and closed: its length is written
// when it is closed, in the fewest octets. A SET OF opened with openSetOf has its elements
// sorted into DER order when it closes. The first failure (an OBJECT IDENTIFIER's text, a
// string the type cannot hold) is kept, later additions are ignored, and finish reports it.
namespace der {

// DER order of the elements of a SET OF: their encodings compared as octet strings, the shorter
// padded with zero octets at its end.
bool derSetLess(const Bytes& a, const Bytes& b);

class Builder {
public:
    void open(Tag tag);
    void openSetOf();
    void close();

    // The element with the contents that `contents` adds, opened and closed around it.
    template <class Contents> void add(Tag tag, Contents&& contents) {
        open(tag);
        contents();
        close();
    }
    template <class Contents> void addSetOf(Contents&& contents) {
        openSetOf();
        contents();
        close();
    }

    // Elements already encoded, copied as they are.
    void addEncoded(const Bytes& elements);
    void addPrimitive(Tag tag, const std::uint8_t* contents, std::size_t size);
    void addPrimitive(Tag tag, const Bytes& contents) {
        addPrimitive(tag, contents.data(), contents.size());
    }
    // INTEGER of a non-negative number given by its bytes, most significant first.
    void addUnsignedInteger(const Bytes& bigEndian);
    void addUnsigned(std::uint64_t value);
    void addBoolean(bool value);
    void addNull();
    void addOid(const std::string& dotted);
    void addBitString(const Bytes& bytes);
    // A BIT STRING of named bits, bit 0 first: trailing zero bits left out, as DER wants.
    void addNamedBits(std::uint32_t bits);
    void addOctetString(const Bytes& bytes) { addPrimitive(kOctetString, bytes); }
    // A string of the type from UTF-8 text.
    void addString(Tag tag, const std::string& utf8);

    Error error() const { return error_; }
    // The bytes built: Unfinished while an element is open, else the first failure.
    Error finish(Bytes& out) const;

    // Records a failure of the caller's, as one of the builder's own.
    void fail(Error error) {
        if (error_ == Error::None)
            error_ = error;
    }

private:
    void writeTag(Tag tag);
    void sortSetContents(std::size_t begin);

    struct Open {
        std::size_t lengthAt;
        bool sorted;
    };
    Bytes out_;
    std::vector<Open> open_;
    Error error_ = Error::None;
};

} // namespace der
