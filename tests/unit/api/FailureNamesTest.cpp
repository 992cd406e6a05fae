// Every code a page can receive has a name in the failure table of web/errors.json (the table
// behind kestrova.js and docs/errors.md), and every code the table names is one the plug-in
// can give.
#include "Answer.h"
#include "Exception.h"

#include <gtest/gtest.h>
#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct FailureRow {
    std::int64_t low, high;
    const char* name;
    const char* method; // empty: the name holds for every method
};
struct CkrValue {
    const char* name;
    unsigned long value;
};
#include "FailureTable.inc"

// The row that names a code for a method: its own meaning first, then the common one.
const FailureRow* rowFor(std::int64_t code, const std::string& method = "") {
    const FailureRow* common = nullptr;
    for (const FailureRow& row : kvFailureTable) {
        if (code < row.low || code > row.high)
            continue;
        if (!method.empty() && row.method == method)
            return &row;
        if (*row.method == '\0' && !common)
            common = &row;
    }
    return common;
}

struct OwnCode {
    std::int32_t code;
    const char* method; // empty: any method
    const char* raisedBy;
};

// The codes the plug-in raises itself, with their place.
std::vector<OwnCode> ownCodes() {
    std::vector<OwnCode> codes = {
        {-1, "", "getToken: no slot holds a token"},
        {-10, "", "doContainerName: negative index"},
        {-11, "", "requireText: an empty required argument"},
        {-12, "", "inputPin: another PIN entry is running"},
        {-13, "", "callMethod: the process runs as many calls as its threads allow"},
        {-20, "", "doContainerName / obtain*: no such object"},
        {-21, "", "createContainer / importCertificate: the object exists"},
        {-50, "", "inputPin: the PIN-entry program failed"},
        {-53, "", "currentFailureCode: any other failure"},
        {statusCancelled, "", "Gui.bin: the user cancelled"},
        {statusFailed, "", "Gui.bin: no dialog"},
    };
    // doRepair turns kvcSignHash's status s into -70 - s.
    for (std::int32_t status : {1, 2, 3, 15, 17})
        codes.push_back({-70 - status, "kvwRepair", "doRepair: kvcSignHash status"});
    return codes;
}

TEST(FailureNamesTest, EveryPkcs11ReturnValueHasItsName) {
    for (const CkrValue& ckr : kvCkrValues) {
        if (ckr.value == CKR_OK)
            continue;
        const std::int32_t code = pkcs11ErrorCode(ckr.value);
        const FailureRow* row = rowFor(code);
        ASSERT_NE(row, nullptr) << ckr.name << " gives " << code << ", which has no name";
        // A value with a number of its own is named for that number; the rest by their
        // PKCS#11 name.
        if (code <= -81) {
            EXPECT_STREQ(row->name, ckr.name) << "code " << code;
        }
    }
}

TEST(FailureNamesTest, EveryCodeThePluginRaisesHasAName) {
    for (const OwnCode& own : ownCodes()) {
        const FailureRow* row = rowFor(own.code, own.method);
        ASSERT_NE(row, nullptr) << own.code << " (" << own.raisedBy << ") has no name";
        EXPECT_STREQ(row->method, own.method) << own.code << " (" << own.raisedBy << ")";
    }
}

TEST(FailureNamesTest, EveryNamedCodeIsOneThePluginGives) {
    for (const FailureRow& row : kvFailureTable) {
        if (row.low != row.high)
            continue;
        bool given = false;
        for (const OwnCode& own : ownCodes())
            given = given || (own.code == row.low && own.method == std::string(row.method));
        for (const CkrValue& ckr : kvCkrValues)
            given = given || (*row.method == '\0' && ckr.value != CKR_OK &&
                              pkcs11ErrorCode(ckr.value) == row.low);
        EXPECT_TRUE(given) << row.name << " names " << row.low << ", which nothing gives";
    }
}

} // namespace
