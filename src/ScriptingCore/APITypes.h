#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// Names shared by the scripting classes, so that headers can refer to each other's pointers.
namespace FB {

class variant;
class JSAPI;
class JSObject;
class BrowserHost;

using JSAPIPtr = std::shared_ptr<JSAPI>;
using JSAPIWeakPtr = std::weak_ptr<JSAPI>;
using JSObjectPtr = std::shared_ptr<JSObject>;
using BrowserHostPtr = std::shared_ptr<BrowserHost>;
using BrowserHostWeakPtr = std::weak_ptr<BrowserHost>;

using VariantList = std::vector<variant>;
using VariantMap = std::map<std::string, variant>;

// Access level of a member or a call; 0 is the public level.
using AccessZone = int;

} // namespace FB
