// The host reads and writes our records by offset and passes its flags by value: every
// member sits where the host's 8-byte-packed layout puts it, on 64-bit and 32-bit Windows
// alike, and the flags whose width or grouping is easy to get wrong have the host's
// values. Checked when this layer compiles, on every word size the DLL is built for.
#include <cstddef>
#include <cstdint>

#include "host/HostInterfaces.h"

namespace {

constexpr bool k64 = sizeof(void*) == 8;

} // namespace

static_assert(sizeof(FIELD_INFO) == (k64 ? 40 : 20), "sizeof(FIELD_INFO)");
static_assert(offsetof(FIELD_INFO, dwFields) == 0, "FIELD_INFO.dwFields");
static_assert(offsetof(FIELD_INFO, bstrFullName) == (k64 ? 8 : 4), "FIELD_INFO.bstrFullName");
static_assert(offsetof(FIELD_INFO, bstrName) == (k64 ? 16 : 8), "FIELD_INFO.bstrName");
static_assert(offsetof(FIELD_INFO, bstrType) == (k64 ? 24 : 12), "FIELD_INFO.bstrType");
static_assert(offsetof(FIELD_INFO, dwModifiers) == (k64 ? 32 : 16), "FIELD_INFO.dwModifiers");
static_assert(sizeof(DEBUG_PROPERTY_INFO) == (k64 ? 56 : 32), "sizeof(DEBUG_PROPERTY_INFO)");
static_assert(offsetof(DEBUG_PROPERTY_INFO, bstrFullName) == (k64 ? 8 : 4),
              "DEBUG_PROPERTY_INFO.bstrFullName");
static_assert(offsetof(DEBUG_PROPERTY_INFO, bstrName) == (k64 ? 16 : 8),
              "DEBUG_PROPERTY_INFO.bstrName");
static_assert(offsetof(DEBUG_PROPERTY_INFO, bstrType) == (k64 ? 24 : 12),
              "DEBUG_PROPERTY_INFO.bstrType");
static_assert(offsetof(DEBUG_PROPERTY_INFO, bstrValue) == (k64 ? 32 : 16),
              "DEBUG_PROPERTY_INFO.bstrValue");
static_assert(offsetof(DEBUG_PROPERTY_INFO, pProperty) == (k64 ? 40 : 20),
              "DEBUG_PROPERTY_INFO.pProperty");
static_assert(offsetof(DEBUG_PROPERTY_INFO, dwAttrib) == (k64 ? 48 : 24),
              "DEBUG_PROPERTY_INFO.dwAttrib");
static_assert(sizeof(TEXT_POSITION) == 8, "sizeof(TEXT_POSITION)");
static_assert(sizeof(CONTEXT_INFO) == (k64 ? 56 : 32), "sizeof(CONTEXT_INFO)");
static_assert(offsetof(CONTEXT_INFO, bstrModuleUrl) == (k64 ? 8 : 4), "CONTEXT_INFO.bstrModuleUrl");
static_assert(offsetof(CONTEXT_INFO, bstrFunction) == (k64 ? 16 : 8), "CONTEXT_INFO.bstrFunction");
static_assert(offsetof(CONTEXT_INFO, posFunctionOffset) == (k64 ? 24 : 12),
              "CONTEXT_INFO.posFunctionOffset");
static_assert(offsetof(CONTEXT_INFO, bstrAddress) == (k64 ? 32 : 20), "CONTEXT_INFO.bstrAddress");
static_assert(offsetof(CONTEXT_INFO, bstrAddressOffset) == (k64 ? 40 : 24),
              "CONTEXT_INFO.bstrAddressOffset");
static_assert(offsetof(CONTEXT_INFO, bstrAddressAbsolute) == (k64 ? 48 : 28),
              "CONTEXT_INFO.bstrAddressAbsolute");
static_assert(sizeof(TYPE_INFO) == (k64 ? 40 : 28), "sizeof(TYPE_INFO)");
static_assert(offsetof(TYPE_INFO, type) == (k64 ? 8 : 4), "TYPE_INFO.type");
static_assert(offsetof(TYPE_INFO, type.typeMeta.guidModule) == (k64 ? 12 : 8),
              "TYPE_INFO.typeMeta.guidModule");
static_assert(offsetof(TYPE_INFO, type.typeMeta.tokClass) == (k64 ? 28 : 24),
              "TYPE_INFO.typeMeta.tokClass");
static_assert(offsetof(TYPE_INFO, type.typePdb.symid) == (k64 ? 28 : 24),
              "TYPE_INFO.typePdb.symid");
static_assert(offsetof(TYPE_INFO, type.typeBuilt.pUnderlyingField) == (k64 ? 32 : 24),
              "TYPE_INFO.typeBuilt.pUnderlyingField");
static_assert(sizeof(DEBUG_ADDRESS) == 56, "sizeof(DEBUG_ADDRESS)");
static_assert(offsetof(DEBUG_ADDRESS, guidModule) == 4, "DEBUG_ADDRESS.guidModule");
static_assert(offsetof(DEBUG_ADDRESS, tokClass) == 20, "DEBUG_ADDRESS.tokClass");
static_assert(offsetof(DEBUG_ADDRESS, addr.dwKind) == 24, "DEBUG_ADDRESS.addr.dwKind");
static_assert(offsetof(DEBUG_ADDRESS, addr.addr) == 32, "DEBUG_ADDRESS.addr.addr");
static_assert(offsetof(DEBUG_ADDRESS, addr.addr.addrUPhysical.offset) == 32,
              "DEBUG_ADDRESS.addrUPhysical.offset");
static_assert(offsetof(DEBUG_ADDRESS, addr.addr.addrThisRel.dwBitLength) == 40,
              "DEBUG_ADDRESS.addrThisRel.dwBitLength");
static_assert(offsetof(DEBUG_ADDRESS, addr.addr.addrLocal.pLocal) == (k64 ? 40 : 36),
              "DEBUG_ADDRESS.addrLocal.pLocal");
static_assert(offsetof(DEBUG_ADDRESS, addr.addr.addrLocal.dwIndex) == (k64 ? 48 : 40),
              "DEBUG_ADDRESS.addrLocal.dwIndex");
static_assert(offsetof(DEBUG_ADDRESS, addr.addr.addrRetVal.rgSig) == 44,
              "DEBUG_ADDRESS.addrRetVal.rgSig");

// Enumerations the host passes as plain 4-byte values.
static_assert(sizeof(NAME_MATCH) == 4 && sizeof(CONSTRUCTOR_ENUM) == 4);
static_assert(sizeof(DBG_ATTRIB_FLAGS) == 8);

static_assert(static_cast<uint64_t>(FIELD_SYM_EXTENED) == 0x80000000u, "FIELD_SYM_EXTENED");
static_assert(static_cast<uint64_t>(FIELD_KIND_ALL) == 0xFFFFFFFFu, "FIELD_KIND_ALL");
static_assert(static_cast<uint64_t>(FIELD_MOD_ACCESS_MASK) == 0x0F00000Fu, "FIELD_MOD_ACCESS_MASK");
static_assert(static_cast<uint64_t>(FIELD_MOD_MASK) == 0xF0FFFFF0u, "FIELD_MOD_MASK");
static_assert(static_cast<uint64_t>(FIELD_MOD_ACCESS_FRIEND) == 0x1000000u,
              "FIELD_MOD_ACCESS_FRIEND");
static_assert(static_cast<uint64_t>(DEBUGPROP_INFO_STANDARD) == 0x1Eu, "DEBUGPROP_INFO_STANDARD");
static_assert(static_cast<uint64_t>(DBG_ATTRIB_ALL) == 0xFFFFFFFFFFFFFFFFu, "DBG_ATTRIB_ALL");
static_assert(static_cast<uint64_t>(DBG_ATTRIB_TYPE_VIRTUAL) == 0x0000000200000000u,
              "DBG_ATTRIB_TYPE_VIRTUAL");
static_assert(static_cast<uint64_t>(DBG_ATTRIB_CHILD_ALL) == 0x0000FF0000000000u,
              "DBG_ATTRIB_CHILD_ALL");
static_assert(static_cast<uint64_t>(DBG_ATTRIB_EVENT_UNIMPORTANT) == 0x0200000000000000u,
              "DBG_ATTRIB_EVENT_UNIMPORTANT");
static_assert(static_cast<uint64_t>(CIF_ADDRESS) == 0x8u, "CIF_ADDRESS");
static_assert(static_cast<uint64_t>(CIF_ALLFIELDS) == 0x3Fu, "CIF_ALLFIELDS");
static_assert(static_cast<uint64_t>(ADDRESS_KIND_METADATA_RETVAL) == 0x15u,
              "ADDRESS_KIND_METADATA_RETVAL");
static_assert(static_cast<uint64_t>(OBJECT_TYPE_CLASS) == 0xEu, "OBJECT_TYPE_CLASS");
static_assert(static_cast<uint64_t>(PARSE_DESIGN_TIME_EXPR_EVAL) == 0x1000u,
              "PARSE_DESIGN_TIME_EXPR_EVAL");
static_assert(static_cast<uint64_t>(EVAL_ALLOW_IMPLICIT_VARS) == 0x4000u,
              "EVAL_ALLOW_IMPLICIT_VARS");

// Result codes the host tells apart by value.
static_assert(static_cast<uint32_t>(S_EVAL_EXCEPTION) == 0x00040002u, "S_EVAL_EXCEPTION");
static_assert(static_cast<uint32_t>(S_EVAL_NO_RESULT) == 0x00040005u, "S_EVAL_NO_RESULT");
static_assert(static_cast<uint32_t>(S_EVAL_BAD_START_POINT) == 0x0004000Au,
              "S_EVAL_BAD_START_POINT");
static_assert(static_cast<uint32_t>(E_STATIC_VAR_NOT_AVAILABLE) == 0x0004000Bu,
              "E_STATIC_VAR_NOT_AVAILABLE");
static_assert(static_cast<uint32_t>(E_EVAL_NOT_SUPPORTED_IN_CLR) == 0x80040010u,
              "E_EVAL_NOT_SUPPORTED_IN_CLR");
static_assert(static_cast<uint32_t>(E_EVAL_NULL_REFERENCE) == 0x80040015u, "E_EVAL_NULL_REFERENCE");
static_assert(static_cast<uint32_t>(E_SH_INVALID_ADDRESS) == 0x80040003u, "E_SH_INVALID_ADDRESS");
static_assert(static_cast<uint32_t>(S_SH_NO_CONTAINER) == 0x0004000Au, "S_SH_NO_CONTAINER");
static_assert(static_cast<uint32_t>(S_SH_NO_BASE_CLASSES) == 0x0004000Fu, "S_SH_NO_BASE_CLASSES");
