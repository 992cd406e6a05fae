#include "Adapter.h"

#include "Files.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace softtoken {

namespace {

// Sets variables for its lifetime, then puts the previous values back.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const std::vector<std::pair<std::string, std::string>>& values) {
        for (const auto& [name, value] : values) {
            saved_.emplace_back(name, environmentVariable(name));
            setEnvironmentVariable(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            setEnvironmentVariable(it->first, it->second);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace

CK_RV Adapter::load(const AdapterConfig& config, void* initArgs, std::shared_ptr<Adapter>& out) {
    ScopedEnvironment environment(config.env);
    std::shared_ptr<Adapter> adapter(new Adapter());
    adapter->library_ = Library::open(config.module);
    if (!adapter->library_)
        return CKR_GENERAL_ERROR;
    auto getFunctionList =
        reinterpret_cast<CK_C_GetFunctionList>(adapter->library_->symbol("C_GetFunctionList"));
    if (!getFunctionList)
        return CKR_GENERAL_ERROR;
    if (CK_RV rv = getFunctionList(&adapter->functions_))
        return rv;
    if (!adapter->functions_)
        return CKR_GENERAL_ERROR;
    if (CK_RV rv = adapter->functions_->C_Initialize(initArgs))
        return rv;
    adapter->status_ =
        reinterpret_cast<KV_SoftTokenStatusFn>(adapter->library_->symbol("KV_SoftTokenStatus"));
    out = std::move(adapter);
    return CKR_OK;
}

} // namespace softtoken
