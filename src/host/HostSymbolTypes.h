// Flags and records of the host's symbol interfaces (fields, addresses, type info).
// Layouts are fixed by the host binary: members in published order with natural
// alignment, which gives the host's 8-byte packing on every target we build for.
#pragma once

#include <cstddef>

#include "host/HostIds.h"

typedef INT32 _mdToken;

typedef DWORD FIELD_KIND;
enum enum_FIELD_KIND : DWORD {
    FIELD_KIND_NONE = 0x0,
    FIELD_KIND_TYPE = 0x1,
    FIELD_KIND_SYMBOL = 0x2,
    FIELD_TYPE_PRIMITIVE = 0x10,
    FIELD_TYPE_STRUCT = 0x20,
    FIELD_TYPE_CLASS = 0x40,
    FIELD_TYPE_INTERFACE = 0x80,
    FIELD_TYPE_UNION = 0x100,
    FIELD_TYPE_ARRAY = 0x200,
    FIELD_TYPE_METHOD = 0x400,
    FIELD_TYPE_BLOCK = 0x800,
    FIELD_TYPE_POINTER = 0x1000,
    FIELD_TYPE_ENUM = 0x2000,
    FIELD_TYPE_LABEL = 0x4000,
    FIELD_TYPE_TYPEDEF = 0x8000,
    FIELD_TYPE_BITFIELD = 0x10000,
    FIELD_TYPE_NAMESPACE = 0x20000,
    FIELD_TYPE_MODULE = 0x40000,
    FIELD_TYPE_DYNAMIC = 0x80000,
    FIELD_TYPE_PROP = 0x100000,
    FIELD_TYPE_INNERCLASS = 0x200000,
    FIELD_TYPE_REFERENCE = 0x400000,
    FIELD_TYPE_EXTENDED = 0x800000,
    FIELD_SYM_MEMBER = 0x1000000,
    FIELD_SYM_LOCAL = 0x2000000,
    FIELD_SYM_PARAM = 0x4000000,
    FIELD_SYM_THIS = 0x8000000,
    FIELD_SYM_GLOBAL = 0x10000000,
    FIELD_SYM_PROP_GETTER = 0x20000000,
    FIELD_SYM_PROP_SETTER = 0x40000000,
    FIELD_SYM_EXTENED = 0x80000000, // sic: the host's own spelling
    FIELD_KIND_MASK = 0xF,
    FIELD_TYPE_MASK = 0xFFFFF0,
    FIELD_SYM_MASK = 0xFF000000,
    FIELD_KIND_ALL = 0xFFFFFFFF,
};

// The access mask covers ACCESS_FRIEND (0x1000000) as well as the low nibble; some
// older hosts declared 0xFF / 0xFFFFFF00 instead. We follow the current values.
typedef DWORD FIELD_MODIFIERS;
enum enum_FIELD_MODIFIERS : DWORD {
    FIELD_MOD_NONE = 0,
    FIELD_MOD_ACCESS_NONE = 0x1,
    FIELD_MOD_ACCESS_PUBLIC = 0x2,
    FIELD_MOD_ACCESS_PROTECTED = 0x4,
    FIELD_MOD_ACCESS_PRIVATE = 0x8,
    FIELD_MOD_ACCESS_FRIEND = 0x1000000,
    FIELD_MOD_NOMODIFIERS = 0x10,
    FIELD_MOD_STATIC = 0x20,
    FIELD_MOD_CONSTANT = 0x40,
    FIELD_MOD_TRANSIENT = 0x80,
    FIELD_MOD_VOLATILE = 0x100,
    FIELD_MOD_ABSTRACT = 0x200,
    FIELD_MOD_NATIVE = 0x400,
    FIELD_MOD_SYNCHRONIZED = 0x800,
    FIELD_MOD_VIRTUAL = 0x1000,
    FIELD_MOD_INTERFACE = 0x2000,
    FIELD_MOD_FINAL = 0x4000,
    FIELD_MOD_SENTINEL = 0x8000,
    FIELD_MOD_INNERCLASS = 0x10000,
    FIELD_MOD_OPTIONAL = 0x20000,
    FIELD_MOD_BYREF = 0x40000,
    FIELD_MOD_HIDDEN = 0x80000,
    FIELD_MOD_MARSHALASOBJECT = 0x100000,
    FIELD_MOD_SPECIAL_NAME = 0x200000,
    FIELD_MOD_HIDEBYSIG = 0x400000,
    FIELD_MOD_NEWSLOT = 0x800000,
    FIELD_MOD_WRITEONLY = 0x80000000,
    FIELD_MOD_ACCESS_MASK = 0x0F00000F,
    FIELD_MOD_MASK = 0xF0FFFFF0,
    FIELD_MOD_ALL = 0x7FFFFFFF,
};

typedef DWORD FIELD_INFO_FIELDS;
enum enum_FIELD_INFO_FIELDS : DWORD {
    FIF_FULLNAME = 0x1,
    FIF_NAME = 0x2,
    FIF_TYPE = 0x4,
    FIF_MODIFIERS = 0x8,
    FIF_ALL = 0xFFFFFFFF,
};

// Plain enums, passed as 4-byte values.
enum NameMatchOptions { nmNone = 0, nmCaseSensitive = 1, nmCaseInsensitive = 2 };
typedef NameMatchOptions NAME_MATCH;

enum ConstructorMatchOptions { crAll = 0, crNonStatic = 1, crStatic = 2 };
typedef ConstructorMatchOptions CONSTRUCTOR_ENUM;

typedef DWORD dwTYPE_KIND;
enum enum_dwTYPE_KIND : DWORD {
    TYPE_KIND_METADATA = 1,
    TYPE_KIND_PDB = 2,
    TYPE_KIND_BUILT = 3,
};

typedef DWORD ADDRESS_KIND;
enum enum_ADDRESS_KIND : DWORD {
    ADDRESS_KIND_NATIVE = 0x1,
    ADDRESS_KIND_UNMANAGED_THIS_RELATIVE = 0x2,
    ADDRESS_KIND_UNMANAGED_PHYSICAL = 0x5,
    ADDRESS_KIND_METADATA_METHOD = 0x10,
    ADDRESS_KIND_METADATA_FIELD = 0x11,
    ADDRESS_KIND_METADATA_LOCAL = 0x12,
    ADDRESS_KIND_METADATA_PARAM = 0x13,
    ADDRESS_KIND_METADATA_ARRAYELEM = 0x14,
    ADDRESS_KIND_METADATA_RETVAL = 0x15,
};

// Filled by IDebugField::GetInfo; the caller frees the BSTRs named in dwFields.
struct FIELD_INFO {
    FIELD_INFO_FIELDS dwFields;
    BSTR bstrFullName;
    BSTR bstrName;
    BSTR bstrType;
    FIELD_MODIFIERS dwModifiers;
};

struct METADATA_TYPE {
    ULONG32 ulAppDomainID;
    GUID guidModule;
    _mdToken tokClass;
};

struct PDB_TYPE {
    ULONG32 ulAppDomainID;
    GUID guidModule;
    DWORD symid;
};

struct BUILT_TYPE {
    ULONG32 ulAppDomainID;
    GUID guidModule;
    IDebugField* pUnderlyingField;
};

// Filled by IDebugField::GetTypeInfo; dwKind (TYPE_KIND_*) selects the union member.
struct TYPE_INFO {
    dwTYPE_KIND dwKind;
    union {
        METADATA_TYPE typeMeta;
        PDB_TYPE typePdb;
        BUILT_TYPE typeBuilt;
        DWORD unused;
    } type;
};

struct NATIVE_ADDRESS {
    DWORD unknown;
};

struct UNMANAGED_ADDRESS_THIS_RELATIVE {
    DWORD dwOffset;
    DWORD dwBitOffset;
    DWORD dwBitLength;
};

struct UNMANAGED_ADDRESS_PHYSICAL {
    ULONGLONG offset;
};

struct METADATA_ADDRESS_METHOD {
    _mdToken tokMethod;
    DWORD dwOffset;
    DWORD dwVersion;
};

struct METADATA_ADDRESS_FIELD {
    _mdToken tokField;
};

struct METADATA_ADDRESS_LOCAL {
    _mdToken tokMethod;
    IUnknown* pLocal;
    DWORD dwIndex;
};

struct METADATA_ADDRESS_PARAM {
    _mdToken tokMethod;
    _mdToken tokParam;
    DWORD dwIndex;
};

struct METADATA_ADDRESS_ARRAYELEM {
    _mdToken tokMethod;
    DWORD dwIndex;
};

struct METADATA_ADDRESS_RETVAL {
    _mdToken tokMethod;
    DWORD dwCorType;
    DWORD dwSigSize;
    BYTE rgSig[10];
};

// dwKind (ADDRESS_KIND_*) selects the member of addr.
struct DEBUG_ADDRESS_UNION {
    ADDRESS_KIND dwKind;
    union {
        NATIVE_ADDRESS addrNative;
        UNMANAGED_ADDRESS_THIS_RELATIVE addrThisRel;
        UNMANAGED_ADDRESS_PHYSICAL addrUPhysical;
        METADATA_ADDRESS_METHOD addrMethod;
        METADATA_ADDRESS_FIELD addrField;
        METADATA_ADDRESS_LOCAL addrLocal;
        METADATA_ADDRESS_PARAM addrParam;
        METADATA_ADDRESS_ARRAYELEM addrArrayElem;
        METADATA_ADDRESS_RETVAL addrRetVal;
        DWORD unused;
    } addr;
};

// Filled by IDebugAddress::GetAddress.
struct DEBUG_ADDRESS {
    ULONG32 ulAppDomainID;
    GUID guidModule;
    _mdToken tokClass;
    DEBUG_ADDRESS_UNION addr;
};

// The host's layouts on 64-bit and 32-bit targets. The 32-bit ones rely on 8-byte
// alignment of 64-bit members inside structs, which both the host's compiler and
// MinGW apply on i686.
static_assert(sizeof(FIELD_INFO) == (sizeof(void*) == 8 ? 40 : 20), "FIELD_INFO size");
static_assert(offsetof(FIELD_INFO, bstrFullName) == (sizeof(void*) == 8 ? 8 : 4),
              "FIELD_INFO::bstrFullName offset");
static_assert(offsetof(FIELD_INFO, dwModifiers) == (sizeof(void*) == 8 ? 32 : 16),
              "FIELD_INFO::dwModifiers offset");

static_assert(sizeof(TYPE_INFO) == (sizeof(void*) == 8 ? 40 : 28), "TYPE_INFO size");
static_assert(offsetof(TYPE_INFO, type) == (sizeof(void*) == 8 ? 8 : 4), "TYPE_INFO::type offset");
static_assert(offsetof(BUILT_TYPE, pUnderlyingField) == (sizeof(void*) == 8 ? 24 : 20),
              "BUILT_TYPE::pUnderlyingField offset");

static_assert(alignof(UNMANAGED_ADDRESS_PHYSICAL) == 8, "64-bit members must align to 8");
static_assert(sizeof(DEBUG_ADDRESS_UNION::addr) == 24, "DEBUG_ADDRESS_UNION::addr size");
static_assert(offsetof(DEBUG_ADDRESS_UNION, addr) == 8, "DEBUG_ADDRESS_UNION::addr offset");
static_assert(sizeof(DEBUG_ADDRESS_UNION) == 32, "DEBUG_ADDRESS_UNION size");
static_assert(offsetof(DEBUG_ADDRESS, guidModule) == 4, "DEBUG_ADDRESS::guidModule offset");
static_assert(offsetof(DEBUG_ADDRESS, tokClass) == 20, "DEBUG_ADDRESS::tokClass offset");
static_assert(offsetof(DEBUG_ADDRESS, addr) == 24, "DEBUG_ADDRESS::addr offset");
static_assert(sizeof(DEBUG_ADDRESS) == 56, "DEBUG_ADDRESS size");
static_assert(offsetof(METADATA_ADDRESS_LOCAL, dwIndex) == (sizeof(void*) == 8 ? 16 : 8),
              "METADATA_ADDRESS_LOCAL::dwIndex offset");
static_assert(offsetof(METADATA_ADDRESS_RETVAL, rgSig) == 12, "METADATA_ADDRESS_RETVAL::rgSig");
