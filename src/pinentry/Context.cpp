#include "Context.h"

namespace process::detail {

void addEnvironmentEntry(environment& env, const std::string& entry) {
    const std::size_t equals = entry.find('=');
    env.emplace(entry.substr(0, equals),
                equals == std::string::npos ? std::string() : entry.substr(equals + 1));
}

} // namespace process::detail
