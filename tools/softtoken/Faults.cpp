#include "Faults.h"

namespace softtoken {

void Faults::configure(const std::vector<FaultRule>& rules) {
    if (rules == rules_)
        return;
    rules_ = rules;
    calls_.clear();
}

CK_RV Faults::check(const std::string& function) {
    bool watched = false;
    for (const FaultRule& rule : rules_)
        watched = watched || rule.function == function;
    if (!watched)
        return CKR_OK;
    const unsigned long call = ++calls_[function];
    for (const FaultRule& rule : rules_)
        if (rule.function == function && (rule.call == 0 || rule.call == call))
            return rule.rv;
    return CKR_OK;
}

} // namespace softtoken
