#include "ObjectSearch.h"

#include "Pkcs11Call.h"

ObjectSearch::ObjectSearch(CK_FUNCTION_LIST_PTR functionList, CK_SESSION_HANDLE session,
                           Template& t)
    : m_functionList(functionList), m_session(session) {
    pkcs11Call("C_FindObjectsInit", m_functionList->C_FindObjectsInit, m_session, t.ckAttributes(),
               t.count());
    m_active = true;
}

ObjectSearch::~ObjectSearch() {
    if (m_active)
        m_functionList->C_FindObjectsFinal(m_session);
}

std::vector<CK_OBJECT_HANDLE> ObjectSearch::next(CK_ULONG max) {
    std::vector<CK_OBJECT_HANDLE> handles(max);
    CK_ULONG count = 0;
    pkcs11Call("C_FindObjects", m_functionList->C_FindObjects, m_session, handles.data(), max,
               &count);
    handles.resize(count < max ? count : max);
    return handles;
}

void ObjectSearch::finish() {
    m_active = false;
    pkcs11Call("C_FindObjectsFinal", m_functionList->C_FindObjectsFinal, m_session);
}
