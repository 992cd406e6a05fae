#pragma once

#include <p11-kit/pkcs11.h>

// Test controls of the software token, beside the standard PKCS#11 interface. Declared outside
// the packed region of the PKCS#11 header, so both sides lay them out with natural alignment.

#define KV_NOBODY (~(CK_ULONG)0)

typedef struct KV_SOFTTOKEN_STATUS {
    CK_ULONG sessions;       // sessions open on the slot in this process
    CK_ULONG rwSessions;     // of which read-write
    CK_ULONG loggedIn;       // CKU_USER, CKU_SO or KV_NOBODY
    CK_ULONG sessionObjects; // session objects alive on the slot in this process
    CK_ULONG pinFailures;    // consecutive wrong user PINs, kept in the token file
} KV_SOFTTOKEN_STATUS;

typedef CK_RV (*KV_SoftTokenStatusFn)(CK_SLOT_ID slot, KV_SOFTTOKEN_STATUS* status);

// The table that C_EX_GetFunctionListExtended hands out.
typedef struct KV_FUNCTION_LIST_EXTENDED {
    CK_VERSION version;
    KV_SoftTokenStatusFn KV_SoftTokenStatus;
} KV_FUNCTION_LIST_EXTENDED;

#ifdef __cplusplus
extern "C" {
#endif
CK_RV KV_SoftTokenStatus(CK_SLOT_ID slot, KV_SOFTTOKEN_STATUS* status);
#ifdef __cplusplus
}
#endif
