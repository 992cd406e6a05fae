#pragma once

// Every failure of the DER layer, from reading a byte to signing a request.
namespace der {

enum class Error {
    None = 0,
    Truncated,           // an element runs past the bytes
    IndefiniteLength,    // the BER form with an end-of-contents marker
    NonMinimalLength,    // a length in more octets than it needs
    LengthTooLarge,      // a length beyond four octets
    BadTag,              // a tag number in a form DER does not allow, or beyond 2^29
    UnexpectedTag,       // another element than the one due
    TrailingBytes,       // bytes after the last element due
    UnsortedSet,         // a SET OF whose elements are not in DER order
    BadInteger,          // an empty INTEGER or one with a needless leading octet
    IntegerTooLarge,     // an INTEGER beyond what the field may hold
    BadBoolean,          // a BOOLEAN other than 00 or FF
    BadNull,             // a NULL with contents
    BadOid,              // an OBJECT IDENTIFIER's encoding
    BadOidText,          // dotted text that is no object identifier
    BadBitString,        // unused bits out of range or not zero
    BadTime,             // a UTCTime or GeneralizedTime DER does not allow
    BadString,           // bytes the string type does not allow
    BadCertificate,      // a certificate's fields out of their order or rules
    BadExtension,        // an extension's value
    DuplicateExtension,  // the same extension twice
    BadPublicKey,        // a public key of the wrong size or form
    UnknownParameterSet, // a parameter set the key's algorithm does not have
    UnknownAttribute,    // a name attribute this layer does not know
    ValueTooLong,        // more characters than the attribute allows
    ValueTooShort,       // fewer characters than the attribute needs
    BadValue,            // characters the attribute's string type does not allow
    BadNameText,         // RFC 4514 text that does not parse
    SigningFailed,       // the signer failed or gave a signature of the wrong size
    Unfinished,          // a builder finished with an element still open
};

// The name of the failure, for messages and logs ("Truncated", ...).
const char* errorName(Error error);

} // namespace der
