#pragma once

#include <memory>
#include <string>

class PinEntryAbort;
class Token;

// What the scripting methods ask of the token maker's module.
class CryptoLibrary {
public:
    // A new session on the first token, of the kind that its reader calls for. Its PIN entry
    // ends when pinEntry is aborted.
    virtual std::unique_ptr<Token> getToken(PinEntryAbort* pinEntry = nullptr) = 0;
    virtual bool isTokenPresent() = 0;
    // The first token's serial number up to its first blank.
    virtual std::string getDeviceId() = 0;
    // 0 a token was inserted or is there, 1 it was removed, 2 nothing changed.
    virtual int pollSlotEvent() = 0;

protected:
    // Not deleted through this interface.
    ~CryptoLibrary() = default;
};
