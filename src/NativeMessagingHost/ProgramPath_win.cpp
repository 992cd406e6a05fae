#include "ProgramPath.h"

#include "ModuleFileName.h"

namespace FB::NativeMessaging {

std::string programPath() {
    return moduleFileName(nullptr);
}

} // namespace FB::NativeMessaging
