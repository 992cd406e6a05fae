#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Builder.h"
#include "Error.h"
#include "Reader.h"

// X.501 distinguished names: read from DER, written as RFC 4514 text, and built from
// attribute/value pairs or from RFC 4514 text with the string type and size bounds each
// attribute has (RFC 5280 appendix A; for the Russian ones, the Order on qualified
// certificates).
namespace der {

struct NameAttribute {
    std::string type;  // the attribute's name ("CN", "INN"), or its dotted identifier
    std::string oid;   // dotted
    std::string value; // UTF-8 text; for a value that is no string, "#" and its DER in hex
    Tag stringTag = kUtf8String;
};

// The relative distinguished names in the order of the encoding (the most general first);
// each holds one attribute or, for a multi-valued one, several.
struct Name {
    std::vector<std::vector<NameAttribute>> rdns;
    // The attributes one after another, in the order of the encoding.
    std::vector<NameAttribute> attributes() const;
};

// Reads a Name (a SEQUENCE of SETs of type and value) off the reader.
Error readName(Reader& in, Name& name);
// RFC 4514 text: the last relative name first, separated by ",", multi-valued ones joined by
// "+", special characters escaped.
std::string nameToText(const Name& name);

// A name of one attribute per relative name, in the order given (the most general first).
// UnknownAttribute for a type this layer does not know (by name or dotted identifier),
// ValueTooLong / ValueTooShort outside the attribute's bounds, BadValue for a character its
// string type cannot hold.
Error nameFromPairs(const std::vector<std::pair<std::string, std::string>>& pairs, Name& name);
// A name from RFC 4514 text ("CN=Ivanov,O=Roga i kopyta,C=RU"), with its escapes; the same
// failures, and BadNameText where the text does not parse.
Error nameFromText(const std::string& text, Name& name);

// Writes the name with each attribute in its own string type.
void writeName(Builder& out, const Name& name);

} // namespace der
