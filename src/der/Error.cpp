#include "Error.h"

namespace der {

const char* errorName(Error error) {
    switch (error) {
    case Error::None:
        return "None";
    case Error::Truncated:
        return "Truncated";
    case Error::IndefiniteLength:
        return "IndefiniteLength";
    case Error::NonMinimalLength:
        return "NonMinimalLength";
    case Error::LengthTooLarge:
        return "LengthTooLarge";
    case Error::BadTag:
        return "BadTag";
    case Error::UnexpectedTag:
        return "UnexpectedTag";
    case Error::TrailingBytes:
        return "TrailingBytes";
    case Error::UnsortedSet:
        return "UnsortedSet";
    case Error::BadInteger:
        return "BadInteger";
    case Error::IntegerTooLarge:
        return "IntegerTooLarge";
    case Error::BadBoolean:
        return "BadBoolean";
    case Error::BadNull:
        return "BadNull";
    case Error::BadOid:
        return "BadOid";
    case Error::BadOidText:
        return "BadOidText";
    case Error::BadBitString:
        return "BadBitString";
    case Error::BadTime:
        return "BadTime";
    case Error::BadString:
        return "BadString";
    case Error::BadCertificate:
        return "BadCertificate";
    case Error::BadExtension:
        return "BadExtension";
    case Error::DuplicateExtension:
        return "DuplicateExtension";
    case Error::BadPublicKey:
        return "BadPublicKey";
    case Error::UnknownParameterSet:
        return "UnknownParameterSet";
    case Error::UnknownAttribute:
        return "UnknownAttribute";
    case Error::ValueTooLong:
        return "ValueTooLong";
    case Error::ValueTooShort:
        return "ValueTooShort";
    case Error::BadValue:
        return "BadValue";
    case Error::BadNameText:
        return "BadNameText";
    case Error::SigningFailed:
        return "SigningFailed";
    case Error::Unfinished:
        return "Unfinished";
    }
    return "Unknown";
}

} // namespace der
