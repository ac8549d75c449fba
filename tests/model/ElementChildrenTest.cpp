#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "model/ExpressionContext.h"
#include "model/ModelAssert.h"

namespace {

using orvel::test::ElementPtr;
using orvel::test::NewElement;
using orvel::test::SetShape;
using orvel::test::TakeString;
using orvel::test::WideCopy;

using ContextPtr = orvel::ComPtr<ExpressionContext>;

ContextPtr NewContext(const OLECHAR* className) {
    return ContextPtr::Adopt(ExpressionContext::Create(nullptr, nullptr, nullptr, className));
}

// A fetched array of elemSize-byte elements at a debuggee address.
ElementPtr ArrayAt(DebuggeeAddress at, ElementType elem, int32_t elemSize,
                   std::initializer_list<orvel::test::Dim> dims) {
    ElementPtr e = NewElement();
    e->SetType(elem);
    e->PushType(array);
    e->Address = at;
    e->Flags |= AddressKnown;
    SetShape(e->Array, elemSize, dims);
    return e;
}

struct ChildCase {
    uint32_t which;
    DebuggeeAddress address;
};

TEST(ElementChildren, ArrayElementsFromTheShape) {
    ElementPtr a = ArrayAt(0x1000, integer_4, 4, {{1, 3}, {1, 4}});
    a->ChildCxt = NewContext(OLESTR("PROG"));
    EXPECT_EQ(12u, a->ChildCount());
    const ChildCase cases[] = {{0, 0x1000}, {4, 0x1010}, {11, 0x102C}, {12, 0x1030}};
    for (const ChildCase& c : cases) {
        SCOPED_TRACE(c.which);
        ElementPtr child = ElementPtr::Adopt(a->GetChild(c.which));
        ASSERT_TRUE(child);
        EXPECT_EQ(integer_4, child->Type);
        EXPECT_EQ(c.address, child->Address);
        EXPECT_TRUE(child->HasFlag(AddressKnown));
        EXPECT_EQ(4, child->Size);
        EXPECT_EQ(1, child->Counter);
        EXPECT_EQ(a->ChildCxt.get(), child->Cxt.get()) << "found in the array's member scope";
        EXPECT_FALSE(child->ChildCxt) << "a scalar element has no members to scope";
        EXPECT_EQ(0u, child->ChildCount());
    }
}

TEST(ElementChildren, AddressesWrapIn32Bits) {
    ElementPtr a = ArrayAt(0xFFFFFFF0u, real_8, 8, {{1, 4}});
    ElementPtr last = ElementPtr::Adopt(a->GetChild(3));
    EXPECT_EQ(0x8u, last->Address);
}

TEST(ElementChildren, StructureElementsCarryTheirTypeName) {
    ElementPtr a = ArrayAt(0x2000, structure, 12, {{0, 1}});
    a->TypeName = WideCopy("geom!point");
    a->ChildCxt = NewContext(OLESTR("PROG"));
    ElementPtr child = ElementPtr::Adopt(a->GetChild(1));
    EXPECT_EQ(structure, child->Type);
    ASSERT_TRUE(child->ChildCxt) << "its components are looked up in a scope of its own";
    EXPECT_NE(a->ChildCxt.get(), child->ChildCxt.get());
    EXPECT_EQ(0x200Cu, child->Address);
    ASSERT_NE(a->TypeName, child->TypeName) << "a copy of its own";
    EXPECT_EQ("TYPE(geom!point)", orvel::test::PrintOf(*child));
}

TEST(ElementChildren, SequentialWalk) {
    ElementPtr a = ArrayAt(0x100, integer_2, 2, {{1, 5}});
    const DebuggeeAddress expected[] = {0x100, 0x102, 0x108};
    ElementPtr first = ElementPtr::Adopt(a->GetNextChild());
    ElementPtr second = ElementPtr::Adopt(a->GetNextChild());
    a->SkipNextChild(2);
    ElementPtr fifth = ElementPtr::Adopt(a->GetNextChild());
    EXPECT_EQ(expected[0], first->Address);
    EXPECT_EQ(expected[1], second->Address);
    EXPECT_EQ(expected[2], fifth->Address);
    a->ResetNextChild();
    ElementPtr again = ElementPtr::Adopt(a->GetNextChild());
    EXPECT_EQ(expected[0], again->Address);
    a->SkipNextChild(0xFFFFFFFFu);
    EXPECT_EQ(INT32_MAX, a->NextChild) << "saturates";
}

TEST(ElementChildren, AllocatableElementsHaveTheElementKind) {
    ElementPtr alloc = NewElement();
    alloc->SetType(real_4);
    alloc->PushType(allocatable_4);
    SetShape(alloc->Array, 4, {{1, 3}});
    EXPECT_EQ(3u, alloc->ChildCount());
    ElementPtr element = ElementPtr::Adopt(alloc->GetChild(2));
    EXPECT_EQ(real_4, element->Type);
}

TEST(ElementChildren, ScalarsAndStructuresWithoutDebugInformation) {
    for (ElementType t : {integer_4, structure, common, function}) {
        SCOPED_TRACE(ElementTypeName(t));
        ElementPtr e = NewElement();
        e->SetType(t);
        EXPECT_EQ(0u, e->ChildCount());
        Element* self = e->GetChild(0);
        EXPECT_EQ(e.get(), self);
        EXPECT_EQ(2, e->Counter);
        self->Release();
        EXPECT_EQ(nullptr, e->GetNextChild());
        EXPECT_EQ(nullptr, e->FindChild("X"));
        EXPECT_EQ(nullptr, e->GetChildForField(nullptr));
    }
}

TEST(ElementChildren, ReadyFromEnumGivesTheElementFetched) {
    ElementPtr a = ArrayAt(0x100, integer_4, 4, {{1, 2}});
    ElementPtr ready = ElementPtr::Adopt(a->ReadyFromEnum());
    EXPECT_EQ(a.get(), ready.get());
    EXPECT_TRUE(a->HasFlag(FetchTried));

    ElementPtr routine = NewElement();
    routine->SetType(function);
    ElementPtr same = ElementPtr::Adopt(routine->ReadyFromEnum());
    EXPECT_EQ(routine.get(), same.get());
    EXPECT_FALSE(routine->HasFlag(FetchTried));

    // An unreadable pointer to a derived type is walked as itself, now fetched.
    ElementPtr pointer = NewElement();
    pointer->SetType(structure);
    pointer->PushType(pointer_4);
    pointer->Address = 0x500;
    pointer->Flags |= AddressKnown;
    ElementPtr walked = ElementPtr::Adopt(pointer->ReadyFromEnum());
    EXPECT_EQ(pointer.get(), walked.get());
    EXPECT_EQ(structure, walked->Type);
    EXPECT_EQ(0u, walked->Address);
}

struct FetchCase {
    const char* name;
    ElementType type;
    ElementType sub;
    uint8_t flags;
    int32_t error;
    ElementType result;
    bool tried;
};

const FetchCase kFetchCases[] = {
    {"nothing known", integer_4, void_0, 0, 0, void_0, true},
    {"kind unknown", void_0, void_0, 0, 0, void_0, true},
    {"error", integer_4, void_0, 0, ErrNotLocated, void_0, true},
    {"routine", function, void_0, 0, 0, function, false},
    {"common block", common, void_0, 0, 0, common, false},
    {"already tried", integer_4, void_0, FetchTried, 0, integer_4, true},
    {"value held", integer_4, void_0, HasValueFlag, 0, integer_4, false},
    {"array at address", array, integer_4, AddressKnown, 0, array, true},
    {"allocatable at address", allocatable_4, integer_4, AddressKnown, 0, array, true},
    {"pointer at address", pointer_4, real_8, AddressKnown, 0, real_8, true},
    {"scalar at address", real_8, void_0, AddressKnown, 0, real_8, true},
    {"derived type at address", structure, void_0, AddressKnown, 0, structure, true},
    {"frame local without host", integer_4, void_0, OnFrame, 0, void_0, true},
};

TEST(ElementFetch, EffectiveKind) {
    for (const FetchCase& c : kFetchCases) {
        SCOPED_TRACE(c.name);
        ElementPtr e = NewElement();
        e->SetType(c.sub);
        e->PushType(c.type);
        e->Size = 8;
        e->Address = 0x4000;
        e->Flags = c.flags;
        e->Error = c.error;
        EXPECT_EQ(c.result, e->FetchValue());
        EXPECT_EQ(c.tried, e->HasFlag(FetchTried));
        // A second fetch does no work and answers the kind as it now stands.
        const DebuggeeAddress address = e->Address;
        EXPECT_EQ(e->Type, e->FetchValue());
        EXPECT_EQ(address, e->Address);
    }
}

TEST(ElementFetch, UnreadableDescriptorsPointNowhere) {
    ElementPtr alloc = NewElement();
    alloc->SetType(integer_4);
    alloc->PushType(allocatable_4);
    alloc->Address = 0x4000;
    alloc->Flags |= AddressKnown;
    EXPECT_EQ(array, alloc->FetchValue());
    EXPECT_EQ(allocatable_4, alloc->Type);
    EXPECT_EQ(0u, alloc->Address);
    EXPECT_EQ(0u, alloc->GetAddressValue());
}

TEST(ElementFetch, AssertionsOnMisuse) {
    const int failures = orvel::ModelAssertFailures();
    ElementPtr e = NewElement();
    char byte = 0;
    EXPECT_EQ(0u, e->CopyDebuggeeMemory(&byte, 0, 1));
    EXPECT_STREQ("KnowAddress", orvel::LastModelAssert());

    ElementPtr big = NewElement();
    big->SetType(complex_16);
    big->Size = 24;
    big->Address = 0x10;
    big->Flags |= AddressKnown;
    EXPECT_EQ(complex_16, big->FetchValue());
    EXPECT_STREQ("Size<=sizeof(RawData)", orvel::LastModelAssert());
    EXPECT_EQ(failures + 2, orvel::ModelAssertFailures());
    EXPECT_EQ(0x10u, big->GetAddressValue());
}

TEST(ElementContext, CountsAndCopiesTheClassName) {
    OLECHAR name[] = OLESTR("MAINPROG");
    ContextPtr cxt = NewContext(name);
    ASSERT_TRUE(cxt);
    EXPECT_EQ(1, cxt->Counter);
    name[0] = 'X';
    EXPECT_EQ("MAINPROG", TakeString(SysAllocString(cxt->ClassName)));

    ContextPtr child = ContextPtr::Adopt(cxt->MakeChildContext());
    ASSERT_TRUE(child);
    EXPECT_NE(cxt->ClassName, child->ClassName);
    EXPECT_EQ("MAINPROG", TakeString(SysAllocString(child->ClassName)));

    ContextPtr none = NewContext(nullptr);
    EXPECT_EQ(nullptr, none->ClassName);

    const int failures = orvel::ModelAssertFailures();
    ExpressionContext* raw = ExpressionContext::Create(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(2, raw->AddRef());
    EXPECT_EQ(1, raw->Release());
    raw->Counter = 0;
    EXPECT_EQ(0, raw->Release());
    EXPECT_STREQ("Counter > 0", orvel::LastModelAssert());
    EXPECT_EQ(failures + 1, orvel::ModelAssertFailures());
    raw->Counter = 1;
    EXPECT_EQ(0, raw->Release());
}

} // namespace
