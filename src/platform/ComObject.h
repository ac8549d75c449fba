// The one reference-count and QueryInterface base for classes the host sees.
//
//   class Property final : public orvel::ComObject<IDebugProperty3, IDebugProperty2Ex> {...};
//   HRESULT hr = orvel::CreateComObject<Property>(out, args...);
//
// A ComObject starts with one reference, the creator's. QueryInterface answers
// IID_IUnknown, each listed interface and, through InterfaceBase, the interfaces
// those derive from. Every live ComObject counts in ObjectCount(), which the module's
// DllCanUnloadNow reads.
#pragma once

#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/InterfaceId.h"
#include "platform/PlatformTypes.h"
#include "platform/Unknown.h"

namespace orvel {

// Live ComObjects in this module. Also the place for server locks to count.
std::atomic<long>& ObjectCount();

namespace detail {

// Hands out p as I when riid names I or one of its bases.
template <class I> bool MatchInterface(REFIID riid, I* p, void** out) {
    if (riid == InterfaceId<I>::value()) {
        *out = p;
        return true;
    }
    using Base = typename InterfaceBase<I>::type;
    if constexpr (!std::is_void_v<Base>) {
        return MatchInterface<Base>(riid, p, out);
    } else {
        return false;
    }
}

} // namespace detail

template <class First, class... Rest> class ComObject : public First, public Rest... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (riid == IID_IUnknown) {
            *out = GetUnknown();
        } else if (!(detail::MatchInterface<First>(riid, static_cast<First*>(this), out) ||
                     (detail::MatchInterface<Rest>(riid, static_cast<Rest*>(this), out) || ...))) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override {
        return m_refs.fetch_add(1, std::memory_order_relaxed) + 1;
    }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

    // The object's identity: the IUnknown that QueryInterface gives for IID_IUnknown.
    IUnknown* GetUnknown() { return static_cast<First*>(this); }

protected:
    ComObject() { ObjectCount().fetch_add(1, std::memory_order_relaxed); }
    virtual ~ComObject() { ObjectCount().fetch_sub(1, std::memory_order_relaxed); }

private:
    std::atomic<ULONG> m_refs{1};
};

// Creates a T and hands its one reference to *out as I. E_INVALIDARG for a null out,
// E_OUTOFMEMORY when allocation fails; an exception from T's constructor becomes an
// error code rather than crossing the caller's vtable.
template <class T, class I, class... Args> HRESULT CreateComObject(I** out, Args&&... args) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    T* object;
    try {
        object = new (std::nothrow) T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    if (!object) return E_OUTOFMEMORY;
    if constexpr (std::is_same_v<I, IUnknown>) {
        *out = object->GetUnknown();
    } else {
        *out = static_cast<I*>(object);
    }
    return S_OK;
}

} // namespace orvel
