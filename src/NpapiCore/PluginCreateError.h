#pragma once

#include <stdexcept>

namespace FB::Npapi {

// The plug-in object cannot be made for this instance; NPP_New reports an incompatible version.
class PluginCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace FB::Npapi
