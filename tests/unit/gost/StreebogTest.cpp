#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "GostTestSupport.h"
#include "Streebog.h"

using namespace gost;
using namespace gost::test;

namespace {

struct StreebogCase {
    const char* name;
    std::vector<std::uint8_t> message;
    const char* digest512; // as the standard prints it, most significant byte first
    const char* digest256;
};

std::vector<std::uint8_t> ascii(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string reversedHex(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> reversed(data, data + size);
    std::reverse(reversed.begin(), reversed.end());
    return hexFromBytes(reversed.data(), reversed.size());
}

// The two examples of GOST R 34.11-2012 (RFC 6986, 10.1 and 10.2): 63 bytes, one block short,
// and 72 bytes of Windows-1251 text, one block and a tail.
const StreebogCase kExamples[] = {
    {"M1", ascii("012345678901234567890123456789012345678901234567890123456789012"),
     "486F64C1917879417FEF082B3381A4E211C324F074654C38823A7B76F830AD00"
     "FA1FBAE42B1285C0352F227524BC9AB16254288DD6863DCCD5B9F54A1AD0541B",
     "00557BE5E584FD52A449B16B0251D05D27F94AB76CBAA6DA890B59D8EF1E159D"},
    {"M2",
     bytesFromHex("D1E520E2E5F2F0E82C20D1F2F0E8E1EEE6E820E2EDF3F6E82C20E2E5FEF2FA20F120ECEEF0FF"
                  "20F1F2F0E5EBE0ECE820EDE020F5F0E0E1F0FBFF20EFEBFAEAFB20C8E3EEF0E5E2FB"),
     "28FBC9BADA033B1460642BDCDDB90C3FB3E56C497CCD0F62B8A2AD4935E85F03"
     "7613966DE4EE00531AE60F3B5A47F8DAE06915D5F2F194996FCABF2622E6881E",
     "508F7E553C06501D749A66FC28C6CAC0B005746D97537FA85D9E40904EFED29D"},
};

} // namespace

TEST(Streebog, StandardExamples) {
    for (const StreebogCase& c : kExamples) {
        const Digest512 d512 = streebog512(c.message.data(), c.message.size());
        const Digest256 d256 = streebog256(c.message.data(), c.message.size());
        EXPECT_EQ(reversedHex(d512.data(), d512.size()), c.digest512) << c.name;
        EXPECT_EQ(reversedHex(d256.data(), d256.size()), c.digest256) << c.name;
    }
}

// Pieces that end inside, on and across block boundaries, with empty pieces between them, hash
// as the whole message does.
TEST(Streebog, PiecesHashAsTheWhole) {
    std::vector<std::uint8_t> message(300);
    for (std::size_t i = 0; i < message.size(); ++i)
        message[i] = std::uint8_t(i * 37 + 11);
    for (std::size_t digestSize : {32u, 64u}) {
        std::vector<std::uint8_t> whole(digestSize), pieces(digestSize);
        Streebog one(digestSize);
        one.update(message.data(), message.size());
        one.finish(whole.data());
        for (std::size_t piece : {1u, 7u, 63u, 64u, 65u, 128u, 200u}) {
            Streebog hash(digestSize);
            hash.update(message.data(), 0);
            for (std::size_t at = 0; at < message.size(); at += piece) {
                hash.update(message.data() + at, std::min(piece, message.size() - at));
                hash.update(message.data(), 0); // an empty piece between any two
            }
            hash.finish(pieces.data());
            EXPECT_EQ(pieces, whole) << digestSize << "-byte digest, pieces of " << piece;
        }
    }
}
