#pragma once

#include "npapi_abi.h"
#include "variant.h"

#include <memory>

namespace FB::Npapi {

class NpapiBrowserHost;

// The browser's value as a variant; objects become page objects (NPObjectAPI).
variant fromNPVariant(const std::shared_ptr<NpapiBrowserHost>& host, const NPVariant& value);

// A variant as the browser's value, chosen by its exact held type. Strings are allocated with
// NPN_MemAlloc and objects retained, so the result belongs to the receiver; a type without a
// translation leaves the result void. Unsigned and 64-bit integers become decimal text.
void toNPVariant(const std::shared_ptr<NpapiBrowserHost>& host, const variant& value,
                 NPVariant& result);

} // namespace FB::Npapi
