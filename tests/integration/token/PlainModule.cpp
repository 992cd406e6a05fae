// A PKCS#11 module of another maker: the standard entry point and nothing of kvpkcs11's.
extern "C" unsigned long C_GetFunctionList(void** functionList) {
    *functionList = nullptr;
    return 0;
}
