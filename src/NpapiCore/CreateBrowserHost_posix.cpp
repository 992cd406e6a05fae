#include "NpapiBrowserHost.h"

namespace FB::Npapi {

NpapiBrowserHostPtr createBrowserHost(NPP instance) {
    return std::make_shared<NpapiBrowserHost>(instance);
}

} // namespace FB::Npapi
