#pragma once

#include "Attribute.h"

#include <p11-kit/pkcs11.h>

#include <memory>
#include <string>
#include <vector>

// Attributes and the CK_ATTRIBUTE array describing them to the module; entry i always describes
// attribute i.
class Template {
public:
    Template() = default;
    Template(const Template&) = delete;
    Template& operator=(const Template&) = delete;
    virtual ~Template() = default;

    // Takes the attribute. One of a type already present replaces it in place; otherwise it is
    // appended. Running out of memory leaves the template as it was.
    void add(std::unique_ptr<BaseAttribute> attribute);

    CK_ATTRIBUTE_PTR ckAttributes() { return m_entries.empty() ? nullptr : m_entries.data(); }
    CK_ULONG count() const { return static_cast<CK_ULONG>(m_entries.size()); }

private:
    std::vector<std::unique_ptr<BaseAttribute>> m_attributes;
    std::vector<CK_ATTRIBUTE> m_entries;
};

// One of the plug-in's own objects: token object, class, label and the container name as CKA_ID.
class KvwTemplate : public Template {
public:
    KvwTemplate(CK_OBJECT_CLASS objectClass, const std::string& name);
};

// The label of every object the plug-in creates or looks for.
extern const std::string kvwLabel;

void addLabel(Template& t);
void addId(Template& t, const std::string& name);
void addKeyType(Template& t, CK_KEY_TYPE keyType);
// CKA_GOSTR3410_PARAMS: the CryptoPro-A parameter set, 1.2.643.2.2.35.1.
void addGostR3410Params(Template& t);
void addDerive(Template& t);
void addValue(Template& t, const std::vector<unsigned char>& value);

template <CK_ATTRIBUTE_TYPE Type, typename Value> void addAttribute(Template& t, Value value) {
    t.add(std::make_unique<Attribute<Type>>(value));
}
