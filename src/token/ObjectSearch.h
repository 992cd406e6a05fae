#pragma once

#include "Template.h"

#include <p11-kit/pkcs11.h>

#include <vector>

// One C_FindObjectsInit .. C_FindObjectsFinal bracket. A search abandoned by an exception is
// ended on destruction, so the session can search again.
class ObjectSearch {
public:
    ObjectSearch(CK_FUNCTION_LIST_PTR functionList, CK_SESSION_HANDLE session, Template& t);
    ObjectSearch(const ObjectSearch&) = delete;
    ObjectSearch& operator=(const ObjectSearch&) = delete;
    ~ObjectSearch();

    // Up to max further handles; none when the search is exhausted.
    std::vector<CK_OBJECT_HANDLE> next(CK_ULONG max);
    void finish();

private:
    CK_FUNCTION_LIST_PTR m_functionList;
    CK_SESSION_HANDLE m_session;
    bool m_active = false;
};
