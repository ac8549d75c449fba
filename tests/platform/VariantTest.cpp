#include <cstring>

#include <gtest/gtest.h>

#include "CountingUnknown.h"
#include "platform/Variant.h"

namespace {

// An unassigned tag, between VT_DECIMAL and VT_I1.
constexpr VARTYPE kUnassignedTag = 15;

TEST(VariantInit, StartsEmpty) {
    VARIANT v;
    v.vt = VT_I4;
    VariantInit(&v);
    EXPECT_EQ(VT_EMPTY, v.vt);
}

TEST(VariantClear, ReleasesInterfaceAndEmpties) {
    CountingUnknown object;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = &object;
    object.AddRef();
    EXPECT_EQ(S_OK, VariantClear(&v));
    EXPECT_EQ(1u, object.Refs());
    EXPECT_EQ(VT_EMPTY, v.vt);
}

TEST(VariantClear, OwnedStringAndNullMembersAreFine) {
    struct {
        VARTYPE vt;
        BSTR text;
    } cases[] = {
        {VT_BSTR, SysAllocString(OLESTR("owned"))},
        {VT_BSTR, nullptr},
        {VT_UNKNOWN, nullptr},
        {VT_NULL, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vt);
        VARIANT v;
        VariantInit(&v);
        v.vt = c.vt;
        v.bstrVal = c.text;
        EXPECT_EQ(S_OK, VariantClear(&v));
        EXPECT_EQ(VT_EMPTY, v.vt);
    }
}

TEST(VariantClear, ByReferenceValueIsNotOwned) {
    CountingUnknown object;
    IUnknown* slot = &object;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_UNKNOWN;
    v.byref = &slot;
    EXPECT_EQ(S_OK, VariantClear(&v));
    EXPECT_EQ(1u, object.Refs());
    EXPECT_EQ(VT_EMPTY, v.vt);
}

TEST(VariantCopy, StringIsCopiedDeeply) {
    const OLECHAR* texts[] = {OLESTR("Fortran"), OLESTR("")};
    for (const OLECHAR* text : texts) {
        VARIANT src, dst;
        VariantInit(&src);
        VariantInit(&dst);
        src.vt = VT_BSTR;
        src.bstrVal = SysAllocString(text);
        ASSERT_EQ(S_OK, VariantCopy(&dst, &src));
        ASSERT_EQ(VT_BSTR, dst.vt);
        EXPECT_NE(src.bstrVal, dst.bstrVal);
        ASSERT_EQ(SysStringByteLen(src.bstrVal), SysStringByteLen(dst.bstrVal));
        EXPECT_EQ(0, std::memcmp(src.bstrVal, dst.bstrVal, SysStringByteLen(src.bstrVal)));
        // Each owns its own string: clearing both frees two.
        EXPECT_EQ(S_OK, VariantClear(&src));
        EXPECT_EQ(S_OK, VariantClear(&dst));
    }
}

TEST(VariantCopy, OddByteStringKeepsItsByteLength) {
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = VT_BSTR;
    src.bstrVal = SysAllocStringByteLen("abc", 3);
    ASSERT_EQ(S_OK, VariantCopy(&dst, &src));
    EXPECT_EQ(3u, SysStringByteLen(dst.bstrVal));
    EXPECT_EQ(0, std::memcmp("abc", dst.bstrVal, 3));
    VariantClear(&src);
    VariantClear(&dst);
}

TEST(VariantCopy, NullStringCopiesAsEmpty) {
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = VT_BSTR;
    src.bstrVal = nullptr;
    ASSERT_EQ(S_OK, VariantCopy(&dst, &src));
    EXPECT_EQ(VT_BSTR, dst.vt);
    EXPECT_EQ(0u, SysStringLen(dst.bstrVal));
    VariantClear(&dst);
}

TEST(VariantCopy, InterfaceGetsAReference) {
    CountingUnknown object;
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = VT_UNKNOWN;
    src.punkVal = &object;
    ASSERT_EQ(S_OK, VariantCopy(&dst, &src));
    EXPECT_EQ(&object, dst.punkVal);
    EXPECT_EQ(2u, object.Refs());
    VariantClear(&dst);
    EXPECT_EQ(1u, object.Refs());
}

TEST(VariantCopy, DestinationIsClearedFirst) {
    CountingUnknown old;
    old.AddRef(); // the destination's reference
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    dst.vt = VT_UNKNOWN;
    dst.punkVal = &old;
    src.vt = VT_I4;
    src.lVal = -7;
    ASSERT_EQ(S_OK, VariantCopy(&dst, &src));
    EXPECT_EQ(1u, old.Refs());
    EXPECT_EQ(VT_I4, dst.vt);
    EXPECT_EQ(-7, dst.lVal);
}

TEST(VariantCopy, CopyOntoItselfKeepsTheValue) {
    CountingUnknown object;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = &object;
    object.AddRef();
    ASSERT_EQ(S_OK, VariantCopy(&v, &v));
    EXPECT_EQ(VT_UNKNOWN, v.vt);
    EXPECT_EQ(2u, object.Refs());
    VariantClear(&v);
}

TEST(VariantCopy, UnknownTagIsRefusedAndDestinationKept) {
    CountingUnknown object;
    object.AddRef();
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = kUnassignedTag;
    dst.vt = VT_UNKNOWN;
    dst.punkVal = &object;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantCopy(&dst, &src));
    EXPECT_EQ(VT_UNKNOWN, dst.vt);
    EXPECT_EQ(2u, object.Refs());
    VariantClear(&dst);
}

TEST(VariantClear, UnknownTagIsRefused) {
    VARIANT v;
    VariantInit(&v);
    v.vt = kUnassignedTag;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&v));
}

} // namespace
