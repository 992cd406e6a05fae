#include "Strings.h"

#include <cstring>

namespace der {

namespace {

bool isPrintable(std::uint32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr(" '()+,-./:=?", static_cast<int>(c)) != nullptr);
}

bool isNumeric(std::uint32_t c) {
    return (c >= '0' && c <= '9') || c == ' ';
}

// The next code point of UTF-8 text (shortest form, no surrogates, at most U+10FFFF).
bool nextCodePoint(const std::uint8_t* text, std::size_t size, std::size_t& at, std::uint32_t& c) {
    const std::uint8_t lead = text[at];
    std::size_t extra = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        c = lead & 0x1F, extra = 1, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        c = lead & 0x0F, extra = 2, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        c = lead & 0x07, extra = 3, minimum = 0x10000;
    } else {
        return false;
    }
    if (size - at - 1 < extra)
        return false;
    for (std::size_t i = 1; i <= extra; ++i) {
        const std::uint8_t next = text[at + i];
        if ((next & 0xC0) != 0x80)
            return false;
        c = c << 6 | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    at += 1 + extra;
    return true;
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Whether a type that holds single-byte characters holds this one.
bool narrowTypeHolds(Tag tag, std::uint32_t c) {
    switch (tag) {
    case kPrintableString:
        return isPrintable(c);
    case kNumericString:
        return isNumeric(c);
    case kIa5String:
        return c < 0x80;
    default:
        return false;
    }
}

} // namespace

bool isStringTag(Tag tag) {
    return tag == kUtf8String || tag == kPrintableString || tag == kIa5String ||
           tag == kNumericString || tag == kBmpString;
}

Error decodeString(Tag tag, const std::uint8_t* contents, std::size_t size, std::string& utf8) {
    std::string out;
    if (tag == kUtf8String) {
        for (std::size_t at = 0; at < size;) {
            std::uint32_t c = 0;
            if (!nextCodePoint(contents, size, at, c))
                return Error::BadString;
        }
        out.assign(contents, contents + size);
    } else if (tag == kBmpString) {
        if (size % 2)
            return Error::BadString;
        for (std::size_t at = 0; at < size; at += 2) {
            const std::uint32_t c = std::uint32_t(contents[at]) << 8 | contents[at + 1];
            if (c >= 0xD800 && c <= 0xDFFF)
                return Error::BadString;
            appendUtf8(out, c);
        }
    } else if (isStringTag(tag)) {
        for (std::size_t at = 0; at < size; ++at) {
            if (!narrowTypeHolds(tag, contents[at]))
                return Error::BadString;
        }
        out.assign(contents, contents + size);
    } else {
        return Error::UnexpectedTag;
    }
    utf8 = out;
    return Error::None;
}

Error encodeString(Tag tag, const std::string& utf8, Bytes& contents) {
    const auto* text = reinterpret_cast<const std::uint8_t*>(utf8.data());
    Bytes out;
    for (std::size_t at = 0; at < utf8.size();) {
        std::uint32_t c = 0;
        if (!nextCodePoint(text, utf8.size(), at, c))
            return Error::BadString;
        if (tag == kUtf8String)
            continue;
        if (tag == kBmpString) {
            if (c > 0xFFFF)
                return Error::BadValue;
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c));
        } else if (narrowTypeHolds(tag, c)) {
            out.push_back(static_cast<std::uint8_t>(c));
        } else {
            return Error::BadValue;
        }
    }
    contents = tag == kUtf8String ? Bytes(text, text + utf8.size()) : out;
    return Error::None;
}

std::size_t characterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

} // namespace der
