#include "SoftToken.h"

#include <Pkcs11Gost.h>

// Digests: Streebog (GOST R 34.11-2012) with 256- and 512-bit results, in one part or many.
namespace softtoken {

CK_RV SoftToken::finishDigest(const Digesting& digesting, const Bytes& data, CK_BYTE_PTR digest,
                              CK_ULONG_PTR digestLength) {
    const CK_ULONG size = CK_ULONG(digesting.hash.digestSize());
    if (!digest) {
        *digestLength = size;
        return CKR_OK;
    }
    if (*digestLength < size) {
        *digestLength = size;
        return CKR_BUFFER_TOO_SMALL;
    }
    gost::Streebog hash = digesting.hash;
    hash.update(data.data(), data.size());
    hash.finish(digest);
    *digestLength = size;
    return CKR_OK;
}

CK_RV SoftToken::digestInit(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!mechanism)
        return CKR_ARGUMENTS_BAD;
    if (session->digesting)
        return CKR_OPERATION_ACTIVE;
    std::size_t size;
    if (mechanism->mechanism == CKM_GOSTR3411_12_256)
        size = 32;
    else if (mechanism->mechanism == CKM_GOSTR3411_12_512)
        size = 64;
    else
        return CKR_MECHANISM_INVALID;
    if (mechanism->pParameter || mechanism->ulParameterLen)
        return CKR_MECHANISM_PARAM_INVALID;
    session->digesting.emplace(size);
    return CKR_OK;
}

CK_RV SoftToken::digest(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG length,
                        CK_BYTE_PTR digest, CK_ULONG_PTR digestLength) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    return finishOnePart(session->digesting, data, length, digest, digestLength,
                         [&](const Digesting& digesting, const Bytes& bytes) {
                             return finishDigest(digesting, bytes, digest, digestLength);
                         });
}

CK_RV SoftToken::digestUpdate(CK_SESSION_HANDLE handle, CK_BYTE_PTR part, CK_ULONG length) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    return updateOperation(session->digesting, part, length,
                           [](Digesting& digesting, CK_BYTE_PTR bytes, CK_ULONG size) {
                               if (size > 0)
                                   digesting.hash.update(bytes, size);
                               return CKR_OK;
                           });
}

CK_RV SoftToken::digestFinal(CK_SESSION_HANDLE handle, CK_BYTE_PTR digest,
                             CK_ULONG_PTR digestLength) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    return finishOperation(session->digesting, digest, digestLength,
                           [&](const Digesting& digesting) {
                               return finishDigest(digesting, Bytes(), digest, digestLength);
                           });
}

} // namespace softtoken
