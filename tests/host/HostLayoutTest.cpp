// The host reads and writes our records by offset. Every member must sit where the
// host's 8-byte-packed layout puts it, on 64-bit and on 32-bit Windows alike.
#include <cstddef>

#include <gtest/gtest.h>

#include "host/HostInterfaces.h"

namespace {

constexpr bool k64 = sizeof(void*) == 8;

struct Placement {
    const char* member;
    std::size_t actual;
    std::size_t on64;
    std::size_t on32;
};

const Placement kPlacements[] = {
    {"sizeof(FIELD_INFO)", sizeof(FIELD_INFO), 40, 20},
    {"FIELD_INFO.dwFields", offsetof(FIELD_INFO, dwFields), 0, 0},
    {"FIELD_INFO.bstrFullName", offsetof(FIELD_INFO, bstrFullName), 8, 4},
    {"FIELD_INFO.bstrName", offsetof(FIELD_INFO, bstrName), 16, 8},
    {"FIELD_INFO.bstrType", offsetof(FIELD_INFO, bstrType), 24, 12},
    {"FIELD_INFO.dwModifiers", offsetof(FIELD_INFO, dwModifiers), 32, 16},

    {"sizeof(DEBUG_PROPERTY_INFO)", sizeof(DEBUG_PROPERTY_INFO), 56, 32},
    {"DEBUG_PROPERTY_INFO.bstrFullName", offsetof(DEBUG_PROPERTY_INFO, bstrFullName), 8, 4},
    {"DEBUG_PROPERTY_INFO.bstrName", offsetof(DEBUG_PROPERTY_INFO, bstrName), 16, 8},
    {"DEBUG_PROPERTY_INFO.bstrType", offsetof(DEBUG_PROPERTY_INFO, bstrType), 24, 12},
    {"DEBUG_PROPERTY_INFO.bstrValue", offsetof(DEBUG_PROPERTY_INFO, bstrValue), 32, 16},
    {"DEBUG_PROPERTY_INFO.pProperty", offsetof(DEBUG_PROPERTY_INFO, pProperty), 40, 20},
    {"DEBUG_PROPERTY_INFO.dwAttrib", offsetof(DEBUG_PROPERTY_INFO, dwAttrib), 48, 24},

    {"sizeof(TEXT_POSITION)", sizeof(TEXT_POSITION), 8, 8},
    {"sizeof(CONTEXT_INFO)", sizeof(CONTEXT_INFO), 56, 32},
    {"CONTEXT_INFO.bstrModuleUrl", offsetof(CONTEXT_INFO, bstrModuleUrl), 8, 4},
    {"CONTEXT_INFO.bstrFunction", offsetof(CONTEXT_INFO, bstrFunction), 16, 8},
    {"CONTEXT_INFO.posFunctionOffset", offsetof(CONTEXT_INFO, posFunctionOffset), 24, 12},
    {"CONTEXT_INFO.bstrAddress", offsetof(CONTEXT_INFO, bstrAddress), 32, 20},
    {"CONTEXT_INFO.bstrAddressOffset", offsetof(CONTEXT_INFO, bstrAddressOffset), 40, 24},
    {"CONTEXT_INFO.bstrAddressAbsolute", offsetof(CONTEXT_INFO, bstrAddressAbsolute), 48, 28},

    {"sizeof(TYPE_INFO)", sizeof(TYPE_INFO), 40, 28},
    {"TYPE_INFO.type", offsetof(TYPE_INFO, type), 8, 4},
    {"TYPE_INFO.typeMeta.guidModule", offsetof(TYPE_INFO, type.typeMeta.guidModule), 12, 8},
    {"TYPE_INFO.typeMeta.tokClass", offsetof(TYPE_INFO, type.typeMeta.tokClass), 28, 24},
    {"TYPE_INFO.typePdb.symid", offsetof(TYPE_INFO, type.typePdb.symid), 28, 24},
    {"TYPE_INFO.typeBuilt.pUnderlyingField", offsetof(TYPE_INFO, type.typeBuilt.pUnderlyingField),
     32, 24},

    // Same on both: the union holds a 64-bit member, so it is 8-aligned everywhere.
    {"sizeof(DEBUG_ADDRESS)", sizeof(DEBUG_ADDRESS), 56, 56},
    {"DEBUG_ADDRESS.guidModule", offsetof(DEBUG_ADDRESS, guidModule), 4, 4},
    {"DEBUG_ADDRESS.tokClass", offsetof(DEBUG_ADDRESS, tokClass), 20, 20},
    {"DEBUG_ADDRESS.addr.dwKind", offsetof(DEBUG_ADDRESS, addr.dwKind), 24, 24},
    {"DEBUG_ADDRESS.addr.addr", offsetof(DEBUG_ADDRESS, addr.addr), 32, 32},
    {"DEBUG_ADDRESS.addrUPhysical.offset", offsetof(DEBUG_ADDRESS, addr.addr.addrUPhysical.offset),
     32, 32},
    {"DEBUG_ADDRESS.addrThisRel.dwBitLength",
     offsetof(DEBUG_ADDRESS, addr.addr.addrThisRel.dwBitLength), 40, 40},
    {"DEBUG_ADDRESS.addrLocal.pLocal", offsetof(DEBUG_ADDRESS, addr.addr.addrLocal.pLocal), 40, 36},
    {"DEBUG_ADDRESS.addrLocal.dwIndex", offsetof(DEBUG_ADDRESS, addr.addr.addrLocal.dwIndex), 48,
     40},
    {"DEBUG_ADDRESS.addrRetVal.rgSig", offsetof(DEBUG_ADDRESS, addr.addr.addrRetVal.rgSig), 44, 44},
};

TEST(HostLayout, RecordsMatchTheHostsLayout) {
    for (const Placement& p : kPlacements)
        EXPECT_EQ(k64 ? p.on64 : p.on32, p.actual) << p.member;
}

// Enumerations the host passes as plain 4-byte values.
static_assert(sizeof(NAME_MATCH) == 4 && sizeof(CONSTRUCTOR_ENUM) == 4);
static_assert(sizeof(DBG_ATTRIB_FLAGS) == 8);

struct FlagValue {
    const char* name;
    uint64_t actual;
    uint64_t expected;
};

// Values whose width or grouping is easy to get wrong.
const FlagValue kFlags[] = {
    {"FIELD_SYM_EXTENED", FIELD_SYM_EXTENED, 0x80000000},
    {"FIELD_KIND_ALL", FIELD_KIND_ALL, 0xFFFFFFFF},
    {"FIELD_MOD_ACCESS_MASK", FIELD_MOD_ACCESS_MASK, 0x0F00000F},
    {"FIELD_MOD_MASK", FIELD_MOD_MASK, 0xF0FFFFF0},
    {"FIELD_MOD_ACCESS_FRIEND", FIELD_MOD_ACCESS_FRIEND, 0x1000000},
    {"DEBUGPROP_INFO_STANDARD", DEBUGPROP_INFO_STANDARD, 0x1E},
    {"DBG_ATTRIB_ALL", DBG_ATTRIB_ALL, 0xFFFFFFFFFFFFFFFF},
    {"DBG_ATTRIB_TYPE_VIRTUAL", DBG_ATTRIB_TYPE_VIRTUAL, 0x0000000200000000},
    {"DBG_ATTRIB_CHILD_ALL", DBG_ATTRIB_CHILD_ALL, 0x0000FF0000000000},
    {"DBG_ATTRIB_EVENT_UNIMPORTANT", DBG_ATTRIB_EVENT_UNIMPORTANT, 0x0200000000000000},
    {"CIF_ADDRESS", CIF_ADDRESS, 0x8},
    {"CIF_ALLFIELDS", CIF_ALLFIELDS, 0x3F},
    {"ADDRESS_KIND_METADATA_RETVAL", ADDRESS_KIND_METADATA_RETVAL, 0x15},
    {"OBJECT_TYPE_CLASS", OBJECT_TYPE_CLASS, 0xE},
    {"PARSE_DESIGN_TIME_EXPR_EVAL", PARSE_DESIGN_TIME_EXPR_EVAL, 0x1000},
    {"EVAL_ALLOW_IMPLICIT_VARS", EVAL_ALLOW_IMPLICIT_VARS, 0x4000},
};

TEST(HostLayout, FlagsHaveTheHostsValues) {
    for (const FlagValue& f : kFlags)
        EXPECT_EQ(f.expected, f.actual) << f.name;
}

} // namespace
