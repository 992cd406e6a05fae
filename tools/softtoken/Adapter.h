#pragma once

#include "Config.h"
#include "KvSoftToken.h"
#include "Library.h"

#include <memory>

// Adapter mode: another vendor's PKCS#11 module, loaded and initialised, to which every call is
// forwarded. Unloaded (after C_Finalize) with the object.
namespace softtoken {

class Adapter {
public:
    // Loads and initialises the module with the caller's initialisation arguments; the
    // configured environment variables are set while that happens and restored afterwards.
    static CK_RV load(const AdapterConfig& config, void* initArgs, std::shared_ptr<Adapter>& out);

    CK_FUNCTION_LIST_PTR functions() const { return functions_; }
    // The next module's status control when it is a kvpkcs11 too, else null.
    KV_SoftTokenStatusFn status() const { return status_; }

private:
    Adapter() = default;

    std::unique_ptr<Library> library_;
    CK_FUNCTION_LIST_PTR functions_ = nullptr;
    KV_SoftTokenStatusFn status_ = nullptr;
};

} // namespace softtoken
