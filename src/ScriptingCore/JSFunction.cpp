#include "JSFunction.h"

#include "script_error.h"

namespace FB {

namespace {

// Pops the pushed level however the call ends.
class ZoneBracket {
public:
    ZoneBracket(JSAPI& object, AccessZone level) : m_object(object) { m_object.PushZone(level); }
    ~ZoneBracket() { m_object.PopZone(); }
    ZoneBracket(const ZoneBracket&) = delete;
    ZoneBracket& operator=(const ZoneBracket&) = delete;

private:
    JSAPI& m_object;
};

} // namespace

JSFunction::JSFunction(const JSAPIWeakPtr& owner, const std::string& name, AccessZone level)
    : m_owner(owner), m_name(name), m_level(level) {}

bool JSFunction::HasMethod(const std::string& name) const {
    return name.empty() || name == "call" || name == "apply" || JSAPIAuto::HasMethod(name);
}

bool JSFunction::HasProperty(const std::string& name) const {
    return name != "call" && name != "apply" && JSAPIAuto::HasProperty(name);
}

variant JSFunction::Invoke(const std::string& name, const VariantList& args) {
    if (name.empty())
        return Exec(args);
    if (name == "call")
        return Call(args);
    if (name == "apply")
        return Apply(args);
    return JSAPIAuto::Invoke(name, args);
}

variant JSFunction::Exec(const VariantList& args) {
    const JSAPIPtr owner = m_owner.lock();
    if (!owner)
        throw script_error("Invalid JSAPI object");
    ZoneBracket zone(*owner, m_level);
    return owner->Invoke(m_name, args);
}

variant JSFunction::Call(const VariantList& args) {
    return Exec(args.empty() ? VariantList() : VariantList(args.begin() + 1, args.end()));
}

variant JSFunction::Apply(const VariantList& args) {
    if (args.size() < 2 || args[1].is_empty() || args[1].is_null())
        return Exec(VariantList());
    return Exec(args[1].convert_to<VariantList>());
}

} // namespace FB
