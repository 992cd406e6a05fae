#include "CertificateFields.h"

#include <cstdint>

namespace softtoken {

namespace {

constexpr unsigned char integerTag = 0x02;
constexpr unsigned char bitStringTag = 0x03;
constexpr unsigned char sequenceTag = 0x30;
constexpr unsigned char versionTag = 0xA0;         // [0] EXPLICIT
constexpr unsigned char issuerUniqueIdTag = 0x81;  // [1] IMPLICIT
constexpr unsigned char subjectUniqueIdTag = 0x82; // [2] IMPLICIT
constexpr unsigned char extensionsTag = 0xA3;      // [3] EXPLICIT

// One DER element: [begin, end) is the whole of it, [content, end) its contents.
struct Element {
    unsigned char tag;
    const unsigned char* begin;
    const unsigned char* content;
    const unsigned char* end;

    std::size_t contentSize() const { return static_cast<std::size_t>(end - content); }
    std::vector<unsigned char> whole() const { return {begin, end}; }
};

// The elements of one range, one after another.
class DerReader {
public:
    DerReader(const unsigned char* begin, const unsigned char* end) : pos_(begin), end_(end) {}
    explicit DerReader(const Element& parent) : DerReader(parent.content, parent.end) {}

    bool atEnd() const { return pos_ == end_; }

    // The next element if it has this tag and is well formed; otherwise nothing, and the
    // reader stays where it was.
    std::optional<Element> next(unsigned char tag) {
        if (atEnd() || *pos_ != tag)
            return std::nullopt;
        const std::size_t left = static_cast<std::size_t>(end_ - pos_);
        if (left < 2)
            return std::nullopt;
        std::size_t header = 2;
        std::size_t length = pos_[1];
        if (length & 0x80) {
            const std::size_t octets = length & 0x7F;
            // 0x80 is the indefinite form, which DER forbids; four octets cover any certificate.
            if (octets == 0 || octets > 4 || left - 2 < octets || pos_[2] == 0)
                return std::nullopt;
            std::uint32_t value = 0;
            for (std::size_t i = 0; i < octets; ++i)
                value = value << 8 | pos_[2 + i];
            if (value < 0x80) // the short form was due
                return std::nullopt;
            length = value;
            header += octets;
        }
        if (length > left - header)
            return std::nullopt;
        const Element element{*pos_, pos_, pos_ + header, pos_ + header + length};
        pos_ = element.end;
        return element;
    }

private:
    const unsigned char* pos_;
    const unsigned char* end_;
};

// An INTEGER's contents: at least one octet, and no ninth leading bit that merely repeats the
// sign.
bool isInteger(const Element& e) {
    const std::size_t size = e.contentSize();
    if (size == 0)
        return false;
    if (size == 1)
        return true;
    const unsigned char first = e.content[0], second = e.content[1];
    return !(first == 0x00 && !(second & 0x80)) && !(first == 0xFF && (second & 0x80));
}

// version [0] EXPLICIT INTEGER: present only for v2 (1) and v3 (2), since DER leaves out v1,
// the default.
bool isVersion(const Element& e) {
    DerReader inside(e);
    const auto number = inside.next(integerTag);
    return number && inside.atEnd() && number->contentSize() == 1 &&
           (number->content[0] == 1 || number->content[0] == 2);
}

} // namespace

std::optional<CertificateFields> readCertificateFields(const unsigned char* der, std::size_t size) {
    if (!der)
        return std::nullopt;
    DerReader whole(der, der + size);
    const auto certificate = whole.next(sequenceTag);
    if (!certificate || !whole.atEnd())
        return std::nullopt;

    DerReader parts(*certificate);
    const auto tbs = parts.next(sequenceTag);
    const auto signatureAlgorithm = parts.next(sequenceTag);
    const auto signature = parts.next(bitStringTag);
    if (!tbs || !signatureAlgorithm || !signature || !parts.atEnd())
        return std::nullopt;

    DerReader fields(*tbs);
    if (const auto version = fields.next(versionTag); version && !isVersion(*version))
        return std::nullopt;
    const auto serialNumber = fields.next(integerTag);
    if (!serialNumber || !isInteger(*serialNumber))
        return std::nullopt;
    const auto algorithm = fields.next(sequenceTag);
    const auto issuer = fields.next(sequenceTag);
    const auto validity = fields.next(sequenceTag);
    const auto subject = fields.next(sequenceTag);
    const auto publicKeyInfo = fields.next(sequenceTag);
    if (!algorithm || !issuer || !validity || !subject || !publicKeyInfo)
        return std::nullopt;
    for (unsigned char optional : {issuerUniqueIdTag, subjectUniqueIdTag, extensionsTag})
        fields.next(optional);
    if (!fields.atEnd())
        return std::nullopt;

    return CertificateFields{subject->whole(), issuer->whole(), serialNumber->whole()};
}

} // namespace softtoken
