#include "ProcessPkcs11.h"

#include "Pkcs11.h"
#include "Utf.h"

#include <filesystem>
#include <memory>
#include <mutex>

namespace {

std::mutex processMutex;
std::unique_ptr<Pkcs11> processModule;

} // namespace

Pkcs11& openProcessPkcs11(const std::string& modulePath) {
    std::lock_guard<std::mutex> lock(processMutex);
    if (!processModule)
        processModule = std::make_unique<Pkcs11>(moduleDirectory(utf8ToWide(modulePath)));
    return *processModule;
}

void closeProcessPkcs11() {
    std::lock_guard<std::mutex> lock(processMutex);
    if (!processModule)
        return;
    processModule->finalize();
    processModule.reset();
}

Pkcs11* processPkcs11() {
    std::lock_guard<std::mutex> lock(processMutex);
    return processModule.get();
}

std::wstring moduleDirectory(const std::wstring& modulePath) {
    // Windows paths may use either separator.
    const wchar_t* separators = std::filesystem::path::preferred_separator == L'/' ? L"/" : L"/\\";
    const std::size_t last = modulePath.find_last_of(separators);
    if (last == std::wstring::npos)
        return std::wstring();
    // A module in the root folder keeps the root.
    return modulePath.substr(0, last == 0 ? 1 : last);
}
