#pragma once

#include <p11-kit/pkcs11.h>

// GOST declarations of PKCS#11 v2.30 that p11-kit's header lacks, shared by the plug-in and the
// software token. Key types, CKA_GOSTR3410_PARAMS, the CKM_GOSTR3410* mechanisms and
// CKD_CPDIVERSIFY_KDF come from p11-kit's header itself.

// The Russian extension of PKCS#11 for GOST R 34.10-2012 and GOST R 34.11-2012 (TC26, the
// technical committee for cryptography): vendor-defined values under its prefix, as the tokens of
// this market use them.
#define CK_VENDOR_PKCS11_RU_TEAM_TC26 (CKM_VENDOR_DEFINED | 0x54321000UL)
#define CKK_GOSTR3410_512 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x003UL)
#define CKM_GOSTR3410_512_KEY_PAIR_GEN (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x005UL)
#define CKM_GOSTR3410_512 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x006UL)
#define CKM_GOSTR3410_12_DERIVE (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x007UL)
#define CKM_GOSTR3410_WITH_GOSTR3411_12_256 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x008UL)
#define CKM_GOSTR3410_WITH_GOSTR3411_12_512 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x009UL)
#define CKM_GOSTR3411_12_256 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x012UL)
#define CKM_GOSTR3411_12_512 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x013UL)
// The key derivation of CKM_GOSTR3410_12_DERIVE: VKO GOST R 34.10-2012 hashed by Streebog-256.
#define CKD_KDF_GOSTR3411_2012_256 (CK_VENDOR_PKCS11_RU_TEAM_TC26 | 0x026UL)

// Parameter of CKM_GOSTR3410_DERIVE and of CKM_GOSTR3410_12_DERIVE. Every field is one machine
// word, so the structure has the same layout with and without the one-byte packing of the Windows
// header (20 bytes on 32-bit).
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
