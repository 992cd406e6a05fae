#pragma once

#include <string>
#include <typeinfo>

namespace FB {

// A variant could not give the wanted type. from and to are readable type names that the
// dispatch layer puts into the messages a page sees.
class bad_variant_cast : public std::bad_cast {
public:
    bad_variant_cast(const std::type_info& from, const std::type_info& to);
    const char* what() const noexcept override { return "bad cast"; }

    std::string from;
    std::string to;
};

// The type's name as a C++ programmer writes it, with the common library types shortened.
std::string readableTypeName(const std::type_info& type);

} // namespace FB
