#pragma once

#include <p11-kit/pkcs11.h>

// GOST declarations of PKCS#11 v2.30 that p11-kit's header lacks, shared by the plug-in and the
// software token. Key types, CKA_GOSTR3410_PARAMS, the CKM_GOSTR3410* mechanisms and
// CKD_CPDIVERSIFY_KDF come from p11-kit's header itself.

// Parameter of CKM_GOSTR3410_DERIVE. Every field is one machine word, so the structure has the
// same layout with and without the one-byte packing of the Windows header (20 bytes on 32-bit).
typedef struct CK_GOSTR3410_DERIVE_PARAMS {
    CK_ULONG kdf; // CKD_NULL or CKD_CPDIVERSIFY_KDF
    CK_BYTE_PTR pPublicData;
    CK_ULONG ulPublicDataLen;
    CK_BYTE_PTR pUKM;
    CK_ULONG ulUKMLen;
} CK_GOSTR3410_DERIVE_PARAMS;

typedef CK_GOSTR3410_DERIVE_PARAMS* CK_GOSTR3410_DERIVE_PARAMS_PTR;

// The maker's extra entry point: fills a pointer to its extended function table. The plug-in only
// requires that it exists and answers CKR_OK; the table's content is the module's own.
typedef CK_RV (*CK_C_EX_GetFunctionListExtended)(CK_VOID_PTR_PTR ppFunctionListExtended);
