#pragma once

#include "Object.h"

#include <optional>

// The bookkeeping that a session's multi-part operations share (signing and digesting): how an
// update takes a part, and how the last call answers a length query or a buffer too small.
namespace softtoken {

// The state every operation has beside its own.
struct SessionOperation {
    bool multiPart = false; // an update has begun it: the one-part call is refused
};

// The last call of an operation (C_SignFinal, C_DigestFinal, and through finishOnePart C_Sign,
// C_Digest): a length query, or a buffer too small, leaves the operation for the second call;
// any other answer ends it.
template <typename Operation, typename Finish>
CK_RV finishOperation(std::optional<Operation>& operation, CK_BYTE_PTR out, CK_ULONG_PTR outLength,
                      Finish finish) {
    if (!operation)
        return CKR_OPERATION_NOT_INITIALIZED;
    const CK_RV rv = outLength ? finish(*operation) : CKR_ARGUMENTS_BAD;
    if (!(rv == CKR_BUFFER_TOO_SMALL || (rv == CKR_OK && !out)))
        operation.reset();
    return rv;
}

// The one-part call, refused once an update has begun the operation.
template <typename Operation, typename Finish>
CK_RV finishOnePart(std::optional<Operation>& operation, CK_BYTE_PTR data, CK_ULONG length,
                    CK_BYTE_PTR out, CK_ULONG_PTR outLength, Finish finish) {
    return finishOperation(operation, out, outLength, [&](Operation& current) -> CK_RV {
        if (!data && length > 0)
            return CKR_ARGUMENTS_BAD;
        if (current.multiPart)
            return CKR_OPERATION_ACTIVE;
        return finish(current, data ? Bytes(data, data + length) : Bytes());
    });
}

// An update (C_SignUpdate, C_DigestUpdate): take(operation, part, length) takes the part; a
// null part with a length, or a refusal by take, ends the operation.
template <typename Operation, typename Take>
CK_RV updateOperation(std::optional<Operation>& operation, CK_BYTE_PTR part, CK_ULONG length,
                      Take take) {
    if (!operation)
        return CKR_OPERATION_NOT_INITIALIZED;
    const CK_RV rv = !part && length > 0 ? CKR_ARGUMENTS_BAD : take(*operation, part, length);
    if (rv != CKR_OK) {
        operation.reset();
        return rv;
    }
    operation->multiPart = true;
    return CKR_OK;
}

} // namespace softtoken
