// What the PIN-entry program answers, as the plug-in reads it: a status line and a PIN line.
#include "Exception.h"
#include "PinAnswer.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream answer(std::string(reinterpret_cast<const char*>(data), size));
    answer.exceptions(std::ios::failbit | std::ios::badbit | std::ios::eofbit);
    try {
        const std::string pin = readPinAnswer(answer);
        // A PIN is one line, and only a complete answer gives one.
        if (pin.find('\n') != std::string::npos || size < 3)
            std::abort();
    } catch (const Exception& e) {
        // Only a program's own non-zero status reaches the page as a code.
        if (e.code() == 0)
            std::abort();
    } catch (const std::exception&) {
    }
    return 0;
}
