#pragma once

#include "variant.h"

#include <oaidl.h>

#include <memory>

namespace FB::ActiveX {

class ActiveXBrowserHost;

// A script value as a variant, by the VARIANT's type; dispatch pointers become page objects of
// the host. Types without a translation (dates, currency, arrays, by-reference values) and
// values the system cannot convert give an empty variant.
variant fromVariant(const std::shared_ptr<ActiveXBrowserHost>& host, const VARIANT& value);

// A variant as a script value, by its exact held type. result is cleared first and belongs to
// the receiver. Lists and maps become new page arrays and objects made through the page window
// (empty without one); scripting objects become their dispatch wrappers.
void toVariant(const std::shared_ptr<ActiveXBrowserHost>& host, const variant& value,
               VARIANT& result);

} // namespace FB::ActiveX
