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
    const CK_RV rv = functionList->C_Login(session, CKU_USER, pin, length);
    if (rv == CKR_OK) {
        loggedIn = true;
        return;
    }
    // The PIN is asked before C_Login: a token pulled out meanwhile took the session with it,
    // and C_Login answers for the session. The caller hears what really happened.
    const bool sessionLost =
        rv == CKR_SESSION_HANDLE_INVALID || rv == CKR_SESSION_CLOSED || rv == CKR_DEVICE_REMOVED;
    throw Pkcs11Exception("C_Login", sessionLost && !tokenPresent() ? CKR_TOKEN_NOT_PRESENT : rv);
}
