#pragma once

#include "Exception.h"

#include <p11-kit/pkcs11.h>

#include <vector>

// Calls one module function; any answer but CKR_OK becomes a Pkcs11Exception named `function`.
template <typename Function, typename... Args>
void pkcs11Call(const char* function, Function f, Args... args) {
    const CK_RV rv = f(args...);
    if (rv != CKR_OK)
        throw Pkcs11Exception(function, rv);
}

// The two-call pattern: query(nullptr, &length) learns the length, query(buffer, &length) fills a
// buffer of that length. The result holds what the second call reported it wrote.
template <typename T, typename Query> std::vector<T> readVariableLength(Query query) {
    CK_ULONG length = 0;
    query(static_cast<T*>(nullptr), &length);
    std::vector<T> buffer(length);
    query(buffer.empty() ? nullptr : buffer.data(), &length);
    if (length < buffer.size())
        buffer.resize(length);
    return buffer;
}
