#pragma once

#include <cstddef>
#include <string>

#include "Error.h"
#include "Tag.h"

// What a name attribute given as input must be: its string type and how many characters it
// may hold.
namespace der {

struct AttributeRule {
    const char* oid;
    Tag stringTag;
    std::size_t minimum;
    std::size_t maximum;
};

// The rule of the attribute with this dotted identifier, or null for one this layer does not
// write.
const AttributeRule* attributeRule(const std::string& oid);

// BadString for text that is not UTF-8, BadValue for a character the type cannot hold or a
// control character, ValueTooShort or ValueTooLong outside the bounds.
Error checkAttributeValue(const AttributeRule& rule, const std::string& value);

} // namespace der
