// The property interfaces the host's watch and locals windows consume: IDebugProperty2,
// its child enumerator and memory contexts, with their flags and records. We implement
// the property and the enumerator; the memory context is the host's.
// Declaration order is vtable order and must not change.
#pragma once

#include <cstddef>

#include "host/HostIds.h"
#include "platform/Variant.h"

typedef DWORD DEBUGPROP_INFO_FLAGS;
enum enum_DEBUGPROP_INFO_FLAGS : DWORD {
    DEBUGPROP_INFO_FULLNAME = 0x1,
    DEBUGPROP_INFO_NAME = 0x2,
    DEBUGPROP_INFO_TYPE = 0x4,
    DEBUGPROP_INFO_VALUE = 0x8,
    DEBUGPROP_INFO_ATTRIB = 0x10,
    DEBUGPROP_INFO_PROP = 0x20,
    DEBUGPROP_INFO_VALUE_AUTOEXPAND = 0x10000,
    DEBUGPROP_INFO_NOFUNCEVAL = 0x20000,
    DEBUGPROP_INFO_VALUE_RAW = 0x40000,
    DEBUGPROP_INFO_VALUE_NO_TOSTRING = 0x80000,
    DEBUGPROP_INFO_NO_NONPUBLIC_MEMBERS = 0x100000,
    DEBUGPROP_INFO_NONE = 0,
    DEBUGPROP_INFO_STANDARD =
        DEBUGPROP_INFO_ATTRIB | DEBUGPROP_INFO_NAME | DEBUGPROP_INFO_TYPE | DEBUGPROP_INFO_VALUE,
    DEBUGPROP_INFO_ALL = 0xFFFFFFFF,
};

// 64 bits wide: the type and child bits live above bit 31.
typedef UINT64 DBG_ATTRIB_FLAGS;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_NONE = 0x0000000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ALL = 0xFFFFFFFFFFFFFFFF;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_OBJ_IS_EXPANDABLE = 0x0000000000000001;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_OBJ_HAS_ID = 0x0000000000000002;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_OBJ_CAN_HAVE_ID = 0x0000000000000004;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_READONLY = 0x0000000000000010;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_ERROR = 0x0000000000000020;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_SIDE_EFFECT = 0x0000000000000040;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_OVERLOADED_CONTAINER = 0x0000000000000080;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_BOOLEAN = 0x0000000000000100;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_BOOLEAN_TRUE = 0x0000000000000200;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_INVALID = 0x0000000000000400;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_NAT = 0x0000000000000800;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_AUTOEXPANDED = 0x0000000000001000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_TIMEOUT = 0x0000000000002000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_RAW_STRING = 0x0000000000004000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_CUSTOM_VIEWER = 0x0000000000008000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ACCESS_NONE = 0x0000000000010000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ACCESS_PUBLIC = 0x0000000000020000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ACCESS_PRIVATE = 0x0000000000040000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ACCESS_PROTECTED = 0x0000000000080000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ACCESS_FINAL = 0x0000000000100000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_ACCESS_ALL = 0x00000000001F0000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_STORAGE_NONE = 0x0000000001000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_STORAGE_GLOBAL = 0x0000000002000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_STORAGE_STATIC = 0x0000000004000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_STORAGE_REGISTER = 0x0000000008000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_STORAGE_ALL = 0x000000000F000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_TYPE_NONE = 0x0000000100000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_TYPE_VIRTUAL = 0x0000000200000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_TYPE_CONSTANT = 0x0000000400000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_TYPE_SYNCHRONIZED = 0x0000000800000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_TYPE_VOLATILE = 0x0000001000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_TYPE_ALL = 0x0000001F00000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_DATA = 0x0000010000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_METHOD = 0x0000020000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_PROPERTY = 0x0000040000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_CLASS = 0x0000080000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_BASECLASS = 0x0000100000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_INTERFACE = 0x0000200000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_INNERCLASS = 0x0000400000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_MOSTDERIVEDCLASS = 0x0000800000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_CHILD_ALL = 0x0000FF0000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_MULTI_CUSTOM_VIEWERS = 0x0001000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_EVENT = 0x0002000000000000;
// Bits newer hosts define; listed so that filters and tests can name them.
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_ERROR_THREAD_SLIP_REQUIRED = 0x0004000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_ILINTERPRETER = 0x0008000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_VALUE_RETURN_VALUE = 0x0040000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_EVENT_TRACEPOINT = 0x0080000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_EVENT_EXCEPTION = 0x0100000000000000;
constexpr DBG_ATTRIB_FLAGS DBG_ATTRIB_EVENT_UNIMPORTANT = 0x0200000000000000;

// Filled by IDebugProperty2::GetPropertyInfo and IEnumDebugPropertyInfo2::Next. The
// caller owns the BSTRs and the property named in dwFields.
struct DEBUG_PROPERTY_INFO {
    DEBUGPROP_INFO_FLAGS dwFields;
    BSTR bstrFullName;
    BSTR bstrName;
    BSTR bstrType;
    BSTR bstrValue;
    IDebugProperty2* pProperty;
    DBG_ATTRIB_FLAGS dwAttrib;
};

typedef DWORD CONTEXT_INFO_FIELDS;
enum enum_CONTEXT_INFO_FIELDS : DWORD {
    CIF_MODULEURL = 0x1,
    CIF_FUNCTION = 0x2,
    CIF_FUNCTIONOFFSET = 0x4,
    CIF_ADDRESS = 0x8,
    CIF_ADDRESSOFFSET = 0x10,
    CIF_ADDRESSABSOLUTE = 0x20,
    CIF_ALLFIELDS = 0x3F,
};

struct TEXT_POSITION {
    DWORD dwLine;
    DWORD dwColumn;
};

// Filled by IDebugMemoryContext2::GetInfo.
struct CONTEXT_INFO {
    CONTEXT_INFO_FIELDS dwFields;
    BSTR bstrModuleUrl;
    BSTR bstrFunction;
    TEXT_POSITION posFunctionOffset;
    BSTR bstrAddress;
    BSTR bstrAddressOffset;
    BSTR bstrAddressAbsolute;
};

typedef DWORD CONTEXT_COMPARE;
enum enum_CONTEXT_COMPARE : DWORD {
    CONTEXT_EQUAL = 0x1,
    CONTEXT_LESS_THAN = 0x2,
    CONTEXT_GREATER_THAN = 0x3,
    CONTEXT_LESS_THAN_OR_EQUAL = 0x4,
    CONTEXT_GREATER_THAN_OR_EQUAL = 0x5,
    CONTEXT_SAME_SCOPE = 0x6,
    CONTEXT_SAME_FUNCTION = 0x7,
    CONTEXT_SAME_MODULE = 0x8,
    CONTEXT_SAME_PROCESS = 0x9,
};

// The host's layouts on 64-bit and 32-bit targets; dwAttrib is 8-aligned on both.
static_assert(sizeof(DEBUG_PROPERTY_INFO) == (sizeof(void*) == 8 ? 56 : 32),
              "DEBUG_PROPERTY_INFO size");
static_assert(offsetof(DEBUG_PROPERTY_INFO, bstrValue) == (sizeof(void*) == 8 ? 32 : 16),
              "DEBUG_PROPERTY_INFO::bstrValue offset");
static_assert(offsetof(DEBUG_PROPERTY_INFO, pProperty) == (sizeof(void*) == 8 ? 40 : 20),
              "DEBUG_PROPERTY_INFO::pProperty offset");
static_assert(offsetof(DEBUG_PROPERTY_INFO, dwAttrib) == (sizeof(void*) == 8 ? 48 : 24),
              "DEBUG_PROPERTY_INFO::dwAttrib offset");
static_assert(sizeof(CONTEXT_INFO) == (sizeof(void*) == 8 ? 56 : 32), "CONTEXT_INFO size");
static_assert(offsetof(CONTEXT_INFO, posFunctionOffset) == (sizeof(void*) == 8 ? 24 : 12),
              "CONTEXT_INFO::posFunctionOffset offset");
static_assert(offsetof(CONTEXT_INFO, bstrAddress) == (sizeof(void*) == 8 ? 32 : 20),
              "CONTEXT_INFO::bstrAddress offset");

struct IDebugProperty2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                                      DWORD dwTimeout, IDebugReference2** rgpArgs,
                                                      DWORD dwArgCount,
                                                      DEBUG_PROPERTY_INFO* pPropertyInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValueAsString(LPCOLESTR pszValue, DWORD dwRadix,
                                                       DWORD dwTimeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValueAsReference(IDebugReference2** rgpArgs,
                                                          DWORD dwArgCount,
                                                          IDebugReference2* pValue,
                                                          DWORD dwTimeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumChildren(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                                   REFGUID guidFilter,
                                                   DBG_ATTRIB_FLAGS dwAttribFilter,
                                                   LPCOLESTR pszNameFilter, DWORD dwTimeout,
                                                   IEnumDebugPropertyInfo2** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParent(IDebugProperty2** ppParent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDerivedMostProperty(IDebugProperty2** ppDerivedMost) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemoryBytes(IDebugMemoryBytes2** ppMemoryBytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** ppMemory) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReference(IDebugReference2** ppReference) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guidExtendedInfo,
                                                      VARIANT* pExtendedInfo) = 0;
};

struct IEnumDebugPropertyInfo2 : IUnknown {
    // pceltFetched is out-only here, unlike the field and object enumerators.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                           ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumDebugPropertyInfo2** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) = 0;
};

struct IDebugMemoryContext2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetName(BSTR* pbstrName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInfo(CONTEXT_INFO_FIELDS dwFields,
                                              CONTEXT_INFO* pInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(UINT64 dwCount, IDebugMemoryContext2** ppMemCxt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Subtract(UINT64 dwCount, IDebugMemoryContext2** ppMemCxt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compare(CONTEXT_COMPARE compare,
                                              IDebugMemoryContext2** rgpMemoryContextSet,
                                              DWORD dwMemoryContextSetLen,
                                              DWORD* pdwMemoryContext) = 0;
};
