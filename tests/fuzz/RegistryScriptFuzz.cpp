// A registration script as the registrar reads it. The scripts ship inside the module, but the
// reader takes any text, and replacements put paths of the user's choosing into it.
#include "RegistryScript.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace FB::ActiveX;
    const Replacements replacements{{"MODULE", "C:\\Program Files\\Kestrova\\npkestrova.dll"},
                                    {"CLSID", "{00000000-0000-0000-0000-000000000000}"},
                                    {"APPID", "{11111111-1111-1111-1111-111111111111}"},
                                    {"LIBID", "{22222222-2222-2222-2222-222222222222}"},
                                    {"THREADING", "Apartment"}};
    try {
        const RegistryScript script =
            parseRegistryScript(std::string(data, data + size), replacements);
        registryRows(script);
        registryRows(perUser(script));
    } catch (const RegistryScriptError&) {
    }
    return 0;
}
