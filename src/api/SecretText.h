#pragma once

#include "SecureWipe.h"

#include <string>
#include <utility>

// A text that holds a secret (a PIN, a scrambled private key); every copy is wiped when it goes,
// so the copies bound into a call's work do not outlive the call in memory.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string text) : m_text(std::move(text)) {}
    SecretText(const SecretText&) = default;
    SecretText& operator=(const SecretText& other) {
        if (this != &other) {
            secureWipe(m_text);
            m_text = other.m_text;
        }
        return *this;
    }
    ~SecretText() { secureWipe(m_text); }

    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};
