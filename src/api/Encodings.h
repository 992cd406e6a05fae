#pragma once

#include <string>
#include <vector>

// Byte strings cross the script boundary as hexadecimal text; integers travel most significant
// byte first on the page and least significant byte first on the token and in the software
// signer.

using Bytes = std::vector<unsigned char>;

// Two characters per byte, each pair read as a hexadecimal number of which the low 8 bits are
// kept; a last odd character is ignored.
Bytes hexToBytes(const std::string& text);
// Two upper-case digits per byte.
std::string bytesToHex(const Bytes& bytes);
// Replaces each letter of the substitution alphabet "PLOKIJUHYGTFRDES" by the hexadecimal digit
// at its position; every other character stays.
std::string unscrambleHex(const std::string& text);
// The name as the PIN-entry program shows it: the first "#%#" becomes " - ".
std::string containerDisplayName(const std::string& name);
// The text line for the PIN-entry program: the display text and, when a site asks, a unit
// separator (0x1F) and the site. The display text comes from the page: it is made one short
// line with no separator or invisible characters (cleanShownText), so it can neither pose as
// another site nor push the real one out of view.
std::string pinRequestText(const std::string& displayText, const std::string& site);

void reverseBytes(Bytes& bytes);
// Reverses the first floor(n/2) bytes and, separately, the rest.
void reverseHalves(Bytes& bytes);
// The second half, then the first; for an even number of bytes.
Bytes swapHalves(const Bytes& bytes);
