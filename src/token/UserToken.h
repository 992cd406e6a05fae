#pragma once

#include "Token.h"

// A Token that remembers whether it logged the user in, so that closing always logs out first.
class UserToken : public Token {
public:
    ~UserToken() override;

    // Logs out if logged in, then closes the session. The session is closed and the lock
    // released even when C_Logout fails; that failure is then passed on.
    void close() override;
    // C_Logout when this object logged in; a failure leaves it logged in.
    void logout() override;

protected:
    using Token::Token;

    // C_Login as the user, once per object; pin null leaves the PIN to the reader's keypad.
    void userLogin(CK_UTF8CHAR_PTR pin, CK_ULONG length);
    bool isLoggedIn() const { return loggedIn; }

private:
    bool loggedIn = false;
};
