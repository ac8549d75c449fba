// Owning pointer for reference-counted objects: COM interfaces and our own counted
// model objects alike (anything with AddRef/Release). Nothing else in our code calls
// Release on a held pointer by hand.
#pragma once

#include <utility>

#include "platform/PlatformTypes.h"

namespace orvel {

template <class I> struct InterfaceId; // platform/InterfaceId.h, needed only by As(out)

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) : m_ptr(p) {
        if (m_ptr) m_ptr->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_ptr) {}
    ComPtr(ComPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.m_ptr = p;
        return r;
    }
    void Attach(T* p) {
        Reset();
        m_ptr = p;
    }
    [[nodiscard]] T* Detach() {
        T* p = m_ptr;
        m_ptr = nullptr;
        return p;
    }
    void Reset() {
        if (T* p = m_ptr) {
            m_ptr = nullptr;
            p->Release();
        }
    }
    // Releases the current pointer and hands out the slot for an out-parameter.
    T** put() {
        Reset();
        return &m_ptr;
    }
    // Hands the pointer to an out-parameter with a new reference.
    template <class U> void CopyTo(U** out) const {
        *out = m_ptr;
        if (m_ptr) m_ptr->AddRef();
    }
    // QueryInterface into another smart pointer; the IID comes from the caller.
    // out may be this very pointer, so the old value is dropped only after the query.
    template <class U, class IIDT> HRESULT As(const IIDT& iid, ComPtr<U>& out) const {
        ComPtr<U> result;
        HRESULT hr = E_POINTER;
        if (m_ptr) hr = m_ptr->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
        out = std::move(result);
        return hr;
    }
    // QueryInterface for U's own IID (InterfaceId<U>).
    template <class U> HRESULT As(ComPtr<U>& out) const { return As(InterfaceId<U>::value(), out); }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    void Swap(ComPtr& other) noexcept { std::swap(m_ptr, other.m_ptr); }

private:
    T* m_ptr = nullptr;
};

template <class T> bool operator==(const ComPtr<T>& a, std::nullptr_t) {
    return !a;
}
template <class T> bool operator!=(const ComPtr<T>& a, std::nullptr_t) {
    return static_cast<bool>(a);
}

} // namespace orvel
