#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Error.h"
#include "Tag.h"

namespace der {

// UTCTime ("YYMMDDHHMMSSZ", years 50-99 in the 1900s) or GeneralizedTime ("YYYYMMDDHHMMSSZ")
// as DER and RFC 5280 have them, seconds present, no fraction, in UTC, turned into ISO 8601
// ("YYYY-MM-DDTHH:MM:SSZ"). BadTime for any other form or a date that does not exist.
Error timeToIso(Tag tag, const std::uint8_t* contents, std::size_t size, std::string& iso);

} // namespace der
