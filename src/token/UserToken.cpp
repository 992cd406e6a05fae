#include "UserToken.h"

#include "Pkcs11Call.h"

#include <exception>

UserToken::~UserToken() {
    if (isClosed())
        return;
    try {
        UserToken::close();
    } catch (...) {
        // Nothing to report to from a destructor; the session is closed regardless.
    }
}

void UserToken::close() {
    if (isClosed())
        return;
    std::exception_ptr logoutFailure;
    if (loggedIn) {
        try {
            logout();
        } catch (...) {
            logoutFailure = std::current_exception();
        }
    }
    // Closing the session ends its login in the module too.
    loggedIn = false;
    if (!logoutFailure) {
        Token::close();
        return;
    }
    try {
        Token::close();
    } catch (...) {
        // The logout failure is the one to report.
    }
    std::rethrow_exception(logoutFailure);
}

void UserToken::logout() {
    if (!loggedIn)
        return;
    pkcs11Call("C_Logout", functionList->C_Logout, session);
    loggedIn = false;
}

void UserToken::userLogin(CK_UTF8CHAR_PTR pin, CK_ULONG length) {
    pkcs11Call("C_Login", functionList->C_Login, session, CKU_USER, pin, length);
    loggedIn = true;
}
