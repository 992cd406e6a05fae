#include "NpapiBrowserHostAsyncWin.h"

namespace FB::Npapi {

NpapiBrowserHostPtr createBrowserHost(NPP instance) {
    return std::make_shared<NpapiBrowserHostAsyncWin>(instance);
}

} // namespace FB::Npapi
