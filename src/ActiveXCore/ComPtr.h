#pragma once

#include <unknwn.h>

#include <utility>

namespace FB::ActiveX {

// One counted reference to a COM object, released when the holder goes.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    // Takes a reference the caller already owns.
    static ComPtr Adopt(T* p) {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    // Adds a reference of its own.
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what is held first.
    T** put() {
        reset();
        return &m_p;
    }
    // Hands the reference to the caller.
    T* detach() { return std::exchange(m_p, nullptr); }

    template <class U> ComPtr<U> As(REFIID iid) const {
        ComPtr<U> result;
        if (m_p)
            m_p->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
        return result;
    }

private:
    T* m_p = nullptr;
};

} // namespace FB::ActiveX
