#include "ParameterSets.h"

#include <cstring>

namespace gost {

namespace {

constexpr std::uint8_t hexDigit(char c) {
    return std::uint8_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
}

// A slot from the number written most significant digit first, as the standards print it.
template <std::size_t N> constexpr Slot slot(const char (&hex)[N]) {
    Slot s{};
    constexpr std::size_t digits = N - 1;
    static_assert(digits <= 64, "at most 256 bits");
    for (std::size_t i = 0; i < digits; ++i) {
        const std::size_t fromRight = digits - 1 - i;
        s.value[fromRight / 2] |= std::uint8_t(hexDigit(hex[i]) << (4 * (fromRight % 2)));
    }
    std::size_t length = 32;
    while (length > 0 && s.value[length - 1] == 0)
        --length;
    s.length = std::uint8_t(length);
    return s;
}

// GOST R 34.10-2001, the worked example's parameters.
constexpr ParameterSet kTest = {
    slot("7"),
    slot("5FBFF498AA938CE739B8E022FBAFEF40563F6E6A3472FC2A514C0CE9DAE23B7E"),
    slot("8000000000000000000000000000000000000000000000000000000000000431"),
    slot("8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3"),
    slot("2"),
    slot("08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8"),
};

// RFC 4357, id-GostR3410-2001-CryptoPro-A-ParamSet; p = 2^256 - 617.
constexpr ParameterSet kCryptoProA = {
    slot("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94"),
    slot("A6"),
    slot("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97"),
    slot("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893"),
    slot("1"),
    slot("8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14"),
};

// RFC 4357, id-GostR3410-2001-CryptoPro-B-ParamSet.
constexpr ParameterSet kCryptoProB = {
    slot("8000000000000000000000000000000000000000000000000000000000000C96"),
    slot("3E1AF419A269A5F866A7D3C25C3DF80AE979259373FF2B182F49D4CE7E1BBC8B"),
    slot("8000000000000000000000000000000000000000000000000000000000000C99"),
    slot("800000000000000000000000000000015F700CFFF1A624E5E497161BCC8A198F"),
    slot("1"),
    slot("3FA8124359F96680B83D1C3EB2C070E5C545C9858D03ECFB744BF8D717717EFC"),
};

// RFC 4357, id-GostR3410-2001-CryptoPro-C-ParamSet.
constexpr ParameterSet kCryptoProC = {
    slot("9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D7598"),
    slot("805A"),
    slot("9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D759B"),
    slot("9B9F605F5A858107AB1EC85E6B41C8AA582CA3511EDDFB74F02F3A6598980BB9"),
    slot("0"),
    slot("41ECE55743711A8C3CBF3783CD08C0EE4D4DC440D4641A8F366E550DFDB3BB67"),
};

struct OidEntry {
    std::uint8_t der[9];
    char letter;
};

// 1.2.643.2.2.35.0-3 and the key exchange sets 1.2.643.2.2.36.0-1, which reuse curves A and C.
constexpr OidEntry kOids[] = {
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x00}, 'T'},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x01}, 'A'},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x02}, 'B'},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x03}, 'C'},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x24, 0x00}, 'A'},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x24, 0x01}, 'C'},
};

} // namespace

const std::uint8_t kSigningParameterSetOid[9] = {0x06, 0x07, 0x2A, 0x85, 0x03,
                                                 0x02, 0x02, 0x23, 0x01};

const ParameterSet* parameterSetByLetter(char letter) {
    switch (letter) {
    case 'T':
        return &kTest;
    case 'A':
        return &kCryptoProA;
    case 'B':
        return &kCryptoProB;
    case 'C':
        return &kCryptoProC;
    default:
        return nullptr;
    }
}

char parameterSetLetter(const std::uint8_t* oidDer, std::size_t length) {
    if (!oidDer)
        return 0;
    for (const OidEntry& entry : kOids)
        if (length == sizeof entry.der && std::memcmp(oidDer, entry.der, length) == 0)
            return entry.letter;
    return 0;
}

} // namespace gost
