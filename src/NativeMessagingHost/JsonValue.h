#pragma once

#include "APITypes.h"
#include "variant.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>

namespace FB::NativeMessaging {

using Json = nlohmann::json;

// The page's values in messages. Strings, booleans, null and arrays are themselves; numbers
// are int when integral and within 32 bits (as browsers deliver them), else double. Three
// tagged objects stand for what JSON lacks: {"$fn": id} a page function, {"$undefined": true}
// undefined, {"$map": {...}} an object with named members.
//
// To the page, unsigned and 64-bit integers travel as decimal text, as in the other faces.

// Makes the object that stands for the page function with this id.
using FunctionMaker = std::function<JSObjectPtr(std::int64_t id)>;

// Throws FB::invalid_arguments for an object that is none of the tagged forms.
variant fromJson(const Json& value, const FunctionMaker& makeFunction);

// Throws FB::script_error for a value that cannot reach the page (a plug-in object, a page
// object that is not a page function, a type of no script value).
Json toJson(const variant& value);

} // namespace FB::NativeMessaging
