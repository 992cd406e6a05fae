#include "ObjectRules.h"
#include "SoftToken.h"

#include <algorithm>
#include <cstring>

// Object creation, removal, search and attribute reads.
namespace softtoken {

namespace {
constexpr CK_OBJECT_HANDLE sessionObjectBit = 0x80000000ul;
}

bool SoftToken::visible(const Session& session, const Object& object) const {
    return !object.isPrivate() || userLoggedIn(session);
}

CK_RV SoftToken::mayChange(const Session& session, const Object& object) const {
    if (object.isToken() && !(session.flags & CKF_RW_SESSION))
        return CKR_SESSION_READ_ONLY;
    if (object.isPrivate() && !userLoggedIn(session))
        return CKR_USER_NOT_LOGGED_IN;
    return CKR_OK;
}

CK_RV SoftToken::loadObject(const Session& session, CK_OBJECT_HANDLE handle, Object& out) {
    if (handle & sessionObjectBit) {
        for (const SessionObject& o : sessionObjects_) {
            if (o.object.handle == handle && o.slot == session.slot) {
                out = o.object;
                return CKR_OK;
            }
        }
        return CKR_OBJECT_HANDLE_INVALID;
    }
    TokenFile file;
    if (CK_RV rv = readTokenFile(slots_[session.slot], file))
        return rv;
    for (Object& object : file.objects) {
        if (object.handle == handle) {
            out = std::move(object);
            return CKR_OK;
        }
    }
    return CKR_OBJECT_HANDLE_INVALID;
}

CK_RV SoftToken::addObjects(CK_SESSION_HANDLE owner, std::vector<Object>& objects) {
    const Session& session = sessions_.at(owner);
    const bool anyToken =
        std::any_of(objects.begin(), objects.end(), [](const Object& o) { return o.isToken(); });
    if (anyToken) {
        const CK_RV rv = store_.update(slots_[session.slot].config.serial, [&](TokenFile& file) {
            addTokenObjects(file, objects);
            return CKR_OK;
        });
        if (rv != CKR_OK)
            return rv;
    }
    for (Object& object : objects) {
        if (object.isToken())
            continue;
        object.handle = sessionObjectBit | nextSessionObject_++;
        sessionObjects_.push_back(SessionObject{object, session.slot, owner});
    }
    return CKR_OK;
}

CK_RV SoftToken::createObject(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR templ, CK_ULONG count,
                              CK_OBJECT_HANDLE_PTR object) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!object)
        return CKR_ARGUMENTS_BAD;
    std::vector<Object> created(1);
    if (CK_RV rv = readTemplate(templ, count, created[0]))
        return rv;
    if (CK_RV rv = completeCreatedObject(created[0]))
        return rv;
    if (CK_RV rv = mayChange(*session, created[0]))
        return rv;
    if (CK_RV rv = addObjects(handle, created))
        return rv;
    *object = created[0].handle;
    return CKR_OK;
}

CK_RV SoftToken::destroyObject(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE objectHandle) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    Object object;
    if (CK_RV rv = loadObject(*session, objectHandle, object))
        return rv;
    if (!visible(*session, object))
        return CKR_OBJECT_HANDLE_INVALID;
    if (CK_RV rv = mayChange(*session, object))
        return rv;
    if (!object.flag(CKA_DESTROYABLE, true))
        return CKR_ACTION_PROHIBITED;
    if (!object.isToken()) {
        sessionObjects_.erase(
            std::remove_if(sessionObjects_.begin(), sessionObjects_.end(),
                           [&](const SessionObject& o) { return o.object.handle == objectHandle; }),
            sessionObjects_.end());
        return CKR_OK;
    }
    return store_.update(slots_[session->slot].config.serial, [&](TokenFile& file) {
        const auto it = std::find_if(file.objects.begin(), file.objects.end(),
                                     [&](const Object& o) { return o.handle == objectHandle; });
        if (it == file.objects.end())
            return CKR_OBJECT_HANDLE_INVALID; // removed meanwhile by another process
        file.objects.erase(it);
        return CKR_OK;
    });
}

CK_RV SoftToken::getAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE objectHandle,
                                   CK_ATTRIBUTE_PTR templ, CK_ULONG count) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!templ && count > 0)
        return CKR_ARGUMENTS_BAD;
    Object object;
    if (CK_RV rv = loadObject(*session, objectHandle, object))
        return rv;
    if (!visible(*session, object))
        return CKR_OBJECT_HANDLE_INVALID;
    CK_RV result = CKR_OK;
    for (CK_ULONG i = 0; i < count; ++i) {
        CK_ATTRIBUTE& attribute = templ[i];
        const Bytes* value = object.find(attribute.type);
        CK_RV rv = CKR_OK;
        if (!value)
            rv = CKR_ATTRIBUTE_TYPE_INVALID;
        else if (attribute.type == CKA_VALUE && object.isSensitiveValue())
            rv = CKR_ATTRIBUTE_SENSITIVE;
        else if (attribute.pValue && attribute.ulValueLen < value->size())
            rv = CKR_BUFFER_TOO_SMALL;
        if (rv != CKR_OK) {
            attribute.ulValueLen = CK_UNAVAILABLE_INFORMATION;
            if (result == CKR_OK)
                result = rv;
            continue;
        }
        if (attribute.pValue && !value->empty())
            std::memcpy(attribute.pValue, value->data(), value->size());
        attribute.ulValueLen = value->size();
    }
    return result;
}

CK_RV SoftToken::findObjectsInit(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR templ, CK_ULONG count) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!templ && count > 0)
        return CKR_ARGUMENTS_BAD;
    if (session->found)
        return CKR_OPERATION_ACTIVE;
    TokenFile file;
    if (CK_RV rv = readTokenFile(slots_[session->slot], file))
        return rv;
    std::vector<CK_OBJECT_HANDLE> found;
    for (const Object& object : file.objects)
        if (visible(*session, object) && object.matches(templ, count))
            found.push_back(object.handle);
    for (const SessionObject& o : sessionObjects_)
        if (o.slot == session->slot && visible(*session, o.object) &&
            o.object.matches(templ, count))
            found.push_back(o.object.handle);
    session->found = std::move(found);
    return CKR_OK;
}

CK_RV SoftToken::findObjects(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE_PTR objects, CK_ULONG max,
                             CK_ULONG_PTR count) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!count || (!objects && max > 0))
        return CKR_ARGUMENTS_BAD;
    if (!session->found)
        return CKR_OPERATION_NOT_INITIALIZED;
    std::vector<CK_OBJECT_HANDLE>& found = *session->found;
    const std::size_t n = std::min<std::size_t>(max, found.size());
    std::copy(found.begin(), found.begin() + n, objects);
    found.erase(found.begin(), found.begin() + n);
    *count = n;
    return CKR_OK;
}

CK_RV SoftToken::findObjectsFinal(CK_SESSION_HANDLE handle) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!session->found)
        return CKR_OPERATION_NOT_INITIALIZED;
    session->found.reset();
    return CKR_OK;
}

} // namespace softtoken
