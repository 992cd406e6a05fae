#pragma once

#include "APITypes.h"
#include "SecureWipe.h"
#include "variant.h"

#include <string>

namespace FB {

// A page's text may be a secret (a PIN, a key), so the argument list a browser bridge converts
// for a call has its texts wiped once the call is over, however it ended.
class WipedArguments {
public:
    explicit WipedArguments(const VariantList& arguments) : m_arguments(arguments) {}
    ~WipedArguments() {
        for (const variant& value : m_arguments)
            if (const std::string* text = value.get_if<std::string>())
                // The held text itself is not const; only the access to it is.
                secureWipe(const_cast<std::string&>(*text));
    }
    WipedArguments(const WipedArguments&) = delete;
    WipedArguments& operator=(const WipedArguments&) = delete;

private:
    const VariantList& m_arguments;
};

} // namespace FB
