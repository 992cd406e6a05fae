#include "Template.h"

#include "Pkcs11Gost.h"

#include <algorithm>

void Template::add(std::unique_ptr<BaseAttribute> attribute) {
    const CK_ATTRIBUTE entry{attribute->type, attribute->value(), attribute->length()};
    auto same = std::find_if(m_entries.begin(), m_entries.end(),
                             [&](const CK_ATTRIBUTE& e) { return e.type == entry.type; });
    if (same != m_entries.end()) {
        m_attributes[same - m_entries.begin()] = std::move(attribute);
        *same = entry;
        return;
    }
    // Room for both first, so that neither append can fail half-way.
    m_entries.reserve(m_entries.size() + 1);
    m_attributes.reserve(m_attributes.size() + 1);
    m_entries.push_back(entry);
    m_attributes.push_back(std::move(attribute));
}

const std::string kvwLabel = "vorlanek v.10";

KvwTemplate::KvwTemplate(CK_OBJECT_CLASS objectClass, const std::string& name) {
    addAttribute<CKA_TOKEN>(*this, CK_TRUE);
    addAttribute<CKA_CLASS>(*this, objectClass);
    addLabel(*this);
    addId(*this, name);
}

void addLabel(Template& t) {
    addAttribute<CKA_LABEL>(t, kvwLabel);
}

void addId(Template& t, const std::string& name) {
    addAttribute<CKA_ID>(t, name);
}

void addKeyType(Template& t, CK_KEY_TYPE keyType) {
    addAttribute<CKA_KEY_TYPE>(t, keyType);
}

void addGostR3410Params(Template& t) {
    static const std::vector<unsigned char> cryptoProA{0x06, 0x07, 0x2A, 0x85, 0x03,
                                                       0x02, 0x02, 0x23, 0x01};
    addAttribute<CKA_GOSTR3410_PARAMS>(t, cryptoProA);
}

void addDerive(Template& t) {
    addAttribute<CKA_DERIVE>(t, CK_TRUE);
}

void addValue(Template& t, const std::vector<unsigned char>& value) {
    addAttribute<CKA_VALUE>(t, value);
}
