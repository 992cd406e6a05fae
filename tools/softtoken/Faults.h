#pragma once

#include "Config.h"

#include <map>
#include <p11-kit/pkcs11.h>
#include <string>
#include <vector>

// Fault injection: function F returns code C on its N-th call. Calls are counted per function
// from the last C_Finalize or change of the rules, whichever came later.
namespace softtoken {

class Faults {
public:
    // Restarts the counters when the rules differ from the current ones.
    void configure(const std::vector<FaultRule>& rules);
    // Starts counting anew (at C_Finalize, so that each initialisation counts from 1).
    void restart() { calls_.clear(); }
    // Counts one call of the function; its injected code, or CKR_OK.
    CK_RV check(const std::string& function);

private:
    std::vector<FaultRule> rules_;
    std::map<std::string, unsigned long> calls_;
};

} // namespace softtoken
