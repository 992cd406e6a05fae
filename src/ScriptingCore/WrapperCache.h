#pragma once

#include "APITypes.h"

#include <map>
#include <mutex>

namespace FB {

// One browser-side wrapper per scripting object, found again while it lives. The cache holds
// neither: a wrapper is entered when the host makes it and forgotten when the browser frees it.
// Wrapper::GetAPI() gives the wrapped object (null once gone), so an entry whose object has
// gone, and whose address may have been reused, is never taken for a live one.
template <class Wrapper> class WrapperCache {
public:
    // The live wrapper of api after retain(wrapper) ran under the cache's lock, or null.
    template <class Retain> Wrapper* Find(const JSAPIPtr& api, Retain retain) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_wrappers.find(api.get());
        if (found == m_wrappers.end() || found->second->GetAPI() != api)
            return nullptr;
        retain(found->second);
        return found->second;
    }

    void Add(const JSAPIPtr& api, Wrapper* wrapper) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_wrappers[api.get()] = wrapper;
    }

    // Forgets the wrapper; the scripting object it wrapped, if still alive.
    JSAPIPtr Forget(const Wrapper* wrapper) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_wrappers.begin(); it != m_wrappers.end(); ++it) {
            if (it->second == wrapper) {
                m_wrappers.erase(it);
                break;
            }
        }
        return wrapper->GetAPI();
    }

private:
    std::mutex m_mutex;
    std::map<const JSAPI*, Wrapper*> m_wrappers;
};

} // namespace FB
