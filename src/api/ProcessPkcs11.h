#pragma once

#include <string>

class Pkcs11;

// The one PKCS#11 module object of the process. The first scripting object creates it; only the
// module's global de-initialisation deletes it.

// The module object, made from the folder of the plug-in module at modulePath (UTF-8) if there
// is none yet. A failure leaves none, so the next call tries again.
Pkcs11& openProcessPkcs11(const std::string& modulePath);
// Finalises and deletes the module object, if any. When C_Finalize fails the object stays and
// the Pkcs11Exception passes on.
void closeProcessPkcs11();
// Null when there is none.
Pkcs11* processPkcs11();

// The folder of a module path: everything before the last separator; empty when there is none.
std::wstring moduleDirectory(const std::wstring& modulePath);
