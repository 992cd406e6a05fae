#include "PinAnswer.h"

#include "Exception.h"
#include "LineReader.h"
#include "SecureWipe.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

// No answer line of a sane program comes near this; a program writing without end fails the
// exchange instead of making the plug-in read without bound.
constexpr std::size_t maxLineLength = 64 * 1024;

// The whole line must be an optional sign and decimal digits within 32 bits.
std::int32_t parseStatus(const std::string& line) {
    std::size_t i = line.empty() || (line[0] != '+' && line[0] != '-') ? 0 : 1;
    const bool negative = i == 1 && line[0] == '-';
    if (i == line.size())
        throw std::invalid_argument("status is not a number");
    std::int64_t value = 0;
    for (; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9')
            throw std::invalid_argument("status is not a number");
        value = value * 10 + (line[i] - '0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            throw std::out_of_range("status out of range");
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max())
        throw std::out_of_range("status out of range");
    return static_cast<std::int32_t>(value);
}

} // namespace

std::string readPinAnswer(std::istream& answer) {
    std::string status;
    readLine(answer, status, maxLineLength);
    if (const std::int32_t code = parseStatus(status))
        throw Exception(code, "inputPin");

    std::string pin;
    try {
        readLine(answer, pin, maxLineLength);
    } catch (...) {
        secureWipe(pin);
        throw;
    }
    return pin;
}
