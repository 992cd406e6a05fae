#pragma once

#include <vector>

// Real X.509 certificates for tests that store certificates on a token, with the DER elements
// that a certificate object names beside its value.
struct TestCertificate {
    std::vector<unsigned char> der;
    std::vector<unsigned char> subject;
    std::vector<unsigned char> issuer;       // differs from the subject
    std::vector<unsigned char> serialNumber; // the INTEGER element, tag and length included
};

// Version 3 with extensions; its serial number has a leading zero octet for the sign.
const TestCertificate& certificateV3();
// Version 1: the certificate has no version field.
const TestCertificate& certificateV1();
