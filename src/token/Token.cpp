#include "Token.h"

#include "Exception.h"
#include "ObjectSearch.h"
#include "Pkcs11.h"
#include "Pkcs11Call.h"

Token::Token(Pkcs11& module, CK_SLOT_ID slot)
    : module(&module), functionList(module.functionList()),
      extendedFunctionList(module.extendedFunctionList()), slot(slot),
      moduleLock(module.moduleLock()) {
    // A failure here unlocks through moduleLock's destructor.
    pkcs11Call("C_OpenSession", functionList->C_OpenSession, slot,
               CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr, &session);
}

Token::~Token() {
    if (closed)
        return;
    try {
        Token::close();
    } catch (...) {
        // Nothing to report to from a destructor; the lock is released regardless.
    }
}

void Token::close() {
    if (closed)
        return;
    closed = true;
    const CK_RV rv = functionList->C_CloseSession(session);
    if (rv != CKR_OK)
        functionList->C_CloseAllSessions(slot);
    moduleLock.unlock();
    if (rv != CKR_OK)
        throw Pkcs11Exception("C_CloseSession", rv);
}

bool Token::tokenPresent() const {
    CK_SLOT_INFO info{};
    return functionList->C_GetSlotInfo(slot, &info) == CKR_OK &&
           (info.flags & CKF_TOKEN_PRESENT) != 0;
}

Bytes Token::getAttributeValue(CK_ATTRIBUTE_TYPE type, CK_OBJECT_HANDLE object) {
    return readVariableLength<unsigned char>([&](unsigned char* value, CK_ULONG_PTR length) {
        CK_ATTRIBUTE attribute{type, value, *length};
        pkcs11Call("C_GetAttributeValue", functionList->C_GetAttributeValue, session, object,
                   &attribute, CK_ULONG(1));
        *length = attribute.ulValueLen;
    });
}

std::optional<Bytes> Token::findAttributeValue(CK_ATTRIBUTE_TYPE type, CK_OBJECT_HANDLE object) {
    CK_ATTRIBUTE attribute{type, nullptr, 0};
    const CK_RV rv = functionList->C_GetAttributeValue(session, object, &attribute, 1);
    if (rv == CKR_ATTRIBUTE_TYPE_INVALID ||
        (rv == CKR_OK && attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION))
        return std::nullopt;
    if (rv != CKR_OK)
        throw Pkcs11Exception("C_GetAttributeValue", rv);
    return getAttributeValue(type, object);
}

CK_OBJECT_HANDLE Token::findSingleObject(Template& t) {
    ObjectSearch search(functionList, session, t);
    const std::vector<CK_OBJECT_HANDLE> found = search.next(2);
    search.finish();
    return found.size() == 1 ? found.front() : CK_INVALID_HANDLE;
}

CK_OBJECT_HANDLE Token::obtain(CK_OBJECT_CLASS objectClass, const std::string& name,
                               const char* context) {
    KvwTemplate t(objectClass, name);
    const CK_OBJECT_HANDLE object = findSingleObject(t);
    if (object == CK_INVALID_HANDLE)
        throw Exception(-20, context);
    return object;
}

CK_OBJECT_HANDLE Token::obtainPrivateKey(const std::string& name) {
    return obtain(CKO_PRIVATE_KEY, name, "obtainPrivateKey");
}

CK_OBJECT_HANDLE Token::obtainPublicKey(const std::string& name) {
    return obtain(CKO_PUBLIC_KEY, name, "obtainPublicKey");
}

CK_OBJECT_HANDLE Token::obtainCertificate(const std::string& name) {
    return obtain(CKO_CERTIFICATE, name, "obtainCertificate");
}

Bytes Token::getPublicKey(const std::string& name) {
    return getAttributeValue(CKA_VALUE, obtainPublicKey(name));
}

Bytes Token::getCertificate(const std::string& name) {
    return getAttributeValue(CKA_VALUE, obtainCertificate(name));
}

std::vector<std::string> Token::getContainers() {
    Template t;
    addAttribute<CKA_CLASS>(t, CKO_PUBLIC_KEY);
    addAttribute<CKA_TOKEN>(t, CK_TRUE);
    addAttribute<CKA_PRIVATE>(t, CK_FALSE);
    addLabel(t);

    ObjectSearch search(functionList, session, t);
    std::vector<CK_OBJECT_HANDLE> keys;
    for (;;) {
        const std::vector<CK_OBJECT_HANDLE> batch = search.next(64);
        if (batch.empty())
            break;
        keys.insert(keys.end(), batch.begin(), batch.end());
    }
    search.finish();

    std::vector<std::string> names;
    for (CK_OBJECT_HANDLE key : keys) {
        const Bytes id = getAttributeValue(CKA_ID, key);
        names.emplace_back(id.begin(), id.end());
    }
    return names;
}

Bytes Token::signWith(CK_MECHANISM_TYPE mechanism, const std::string& name, const Bytes& data) {
    const CK_OBJECT_HANDLE key = obtainPrivateKey(name);
    CK_MECHANISM m{mechanism, nullptr, 0};
    pkcs11Call("C_SignInit", functionList->C_SignInit, session, &m, key);
    // The module reads the data; the header's prototype is not const.
    CK_BYTE_PTR input = data.empty() ? nullptr : const_cast<CK_BYTE_PTR>(data.data());
    const CK_ULONG inputLength = static_cast<CK_ULONG>(data.size());
    return readVariableLength<unsigned char>([&](unsigned char* signature, CK_ULONG_PTR length) {
        pkcs11Call("C_Sign", functionList->C_Sign, session, input, inputLength, signature, length);
    });
}
