#include "FailureCode.h"

#include "Exception.h"

#include <exception>

namespace {
constexpr std::int32_t unexpectedFailure = -53;
}

std::int32_t currentFailureCode() noexcept {
    try {
        throw;
    } catch (const Exception& e) {
        return e.code();
    } catch (...) {
        return unexpectedFailure;
    }
}
