#include "Time.h"

namespace der {

namespace {

bool digits(const std::uint8_t* text, std::size_t count, unsigned& value) {
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

unsigned daysIn(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

std::string twoDigits(unsigned value) {
    return std::string(1, char('0' + value / 10)) + char('0' + value % 10);
}

} // namespace

Error timeToIso(Tag tag, const std::uint8_t* contents, std::size_t size, std::string& iso) {
    const std::size_t yearDigits = tag == kUtcTime ? 2 : tag == kGeneralizedTime ? 4 : 0;
    if (yearDigits == 0)
        return Error::UnexpectedTag;
    if (size != yearDigits + 11 || contents[size - 1] != 'Z')
        return Error::BadTime;
    unsigned year, month, day, hour, minute, second;
    const std::uint8_t* at = contents;
    if (!digits(at, yearDigits, year) || !digits(at + yearDigits, 2, month) ||
        !digits(at + yearDigits + 2, 2, day) || !digits(at + yearDigits + 4, 2, hour) ||
        !digits(at + yearDigits + 6, 2, minute) || !digits(at + yearDigits + 8, 2, second))
        return Error::BadTime;
    if (tag == kUtcTime)
        year += year < 50 ? 2000 : 1900;
    if (month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return Error::BadTime;
    iso = std::to_string(year / 1000) + std::to_string(year / 100 % 10) + twoDigits(year % 100) +
          "-" + twoDigits(month) + "-" + twoDigits(day) + "T" + twoDigits(hour) + ":" +
          twoDigits(minute) + ":" + twoDigits(second) + "Z";
    return Error::None;
}

} // namespace der
