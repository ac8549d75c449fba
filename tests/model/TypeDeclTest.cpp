#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"

namespace {

using orvel::test::DeclarationOf;
using orvel::test::ElementPtr;
using orvel::test::NewElement;
using orvel::test::SetShape;
using orvel::test::WideCopy;

// An Element whose kind stack reads, from the top, the kinds given.
ElementPtr Kinds(std::initializer_list<ElementType> top_down) {
    ElementPtr e = NewElement();
    for (auto it = std::rbegin(top_down); it != std::rend(top_down); ++it)
        e->PushType(*it);
    return e;
}

struct FixedCase {
    ElementType type;
    const char* text;
};

const FixedCase kFixedCases[] = {
    {logical_1, "LOGICAL*1"}, {logical_2, "LOGICAL*2"},   {logical_4, "LOGICAL*4"},
    {integer_1, "INTEGER*1"}, {integer_2, "INTEGER*2"},   {integer_4, "INTEGER*4"},
    {real_4, "REAL*4"},       {real_8, "REAL*8"},         {real_10, "REAL*10"},
    {complex_8, "COMPLEX*8"}, {complex_16, "COMPLEX*16"}, {common, "COMMON"},
    {logical_8, "UNKNOWN"},   {integer_8, "UNKNOWN"},     {unsigned_1, "UNKNOWN"},
    {unsigned_2, "UNKNOWN"},  {unsigned_4, "UNKNOWN"},    {unsigned_8, "UNKNOWN"},
    {enumeration, "UNKNOWN"}, {complex_20, "UNKNOWN"},    {reference_4, "UNKNOWN"},
    {function, "UNKNOWN"},    {module, "UNKNOWN"},        {void_0, "dbg error"},
};

TEST(TypeDeclFixed, OneTextPerKind) {
    for (const FixedCase& c : kFixedCases) {
        SCOPED_TRACE(ElementTypeName(c.type));
        EXPECT_EQ(c.text, DeclarationOf(*Kinds({c.type})));
    }
}

struct DeclCase {
    const char* name;
    std::function<ElementPtr()> make;
    const char* text;
};

ElementPtr Named(ElementPtr e, const char* typeName) {
    e->TypeName = WideCopy(typeName);
    return e;
}

ElementPtr Shaped(ElementPtr e, std::initializer_list<orvel::test::Dim> dims) {
    SetShape(e->Array, 4, dims);
    return e;
}

const DeclCase kDeclCases[] = {
    {"character",
     [] {
         ElementPtr e = Kinds({string});
         e->Size = 12;
         return e;
     },
     "CHARACTER*12"},
    {"character parameter",
     [] {
         ElementPtr e = Kinds({string});
         e->Size = 12;
         e->Flags |= IsConst;
         return e;
     },
     "CHARACTER*12, PARAMETER ::"},
    {"integer parameter",
     [] {
         ElementPtr e = Kinds({integer_4});
         e->Flags |= IsConst;
         return e;
     },
     "INTEGER*4, PARAMETER ::"},
    {"derived type", [] { return Named(Kinds({structure}), "point"); }, "TYPE(POINT)"},
    {"module derived type", [] { return Named(Kinds({structure}), "geom!point"); }, "TYPE(POINT)"},
    {"decorated derived type", [] { return Named(Kinds({structure}), "x~geom!pt"); }, "TYPE(PT)"},
    {"derived type without name", [] { return Kinds({structure}); }, "TYPE()"},
    {"managed object", [] { return Named(Kinds({object_4}), "System.String"); },
     "OBJECT(\"System.String\")"},
    {"managed object without name", [] { return Kinds({object_4}); }, "OBJECT(\"\")"},
    {"unknown field kind",
     [] {
         ElementPtr e = Kinds({void_0});
         e->RawTypeName = WideCopy("System.Decimal");
         return e;
     },
     "System.Decimal"},
    {"pointer to derived type",
     [] {
         return Named(Kinds({pointer_4, structure}), "POINT");
     },
     "TYPE(POINT), POINTER ::"},
    {"pointer to integer",
     [] {
         return Kinds({pointer_4, integer_4});
     },
     "INTEGER*4, POINTER ::"},
    {"pointer to pointer",
     [] {
         return Kinds({pointer_4, pointer_4, integer_4});
     },
     ", POINTER ::"},
    {"array",
     [] {
         return Shaped(Kinds({array, integer_4}), {{1, 10}});
     },
     "INTEGER*4 (10)"},
    {"array with lower bounds",
     [] {
         return Shaped(Kinds({array, integer_4}), {{0, 9}, {2, 3}});
     },
     "INTEGER*4 (0:9,2:3)"},
    {"negative bounds",
     [] {
         return Shaped(Kinds({array, real_4}), {{-5, -1}});
     },
     "REAL*4 (-5:-1)"},
    {"assumed size",
     [] {
         return Shaped(Kinds({array, real_8}), {{1, INT32_MIN}});
     },
     "REAL*8 (*)"},
    {"assumed size last",
     [] {
         return Shaped(Kinds({array, real_8}), {{1, 4}, {1, INT32_MIN}});
     },
     "REAL*8 (4,*)"},
    {"invalid bound",
     [] {
         return Shaped(Kinds({array, integer_2}), {{1, 0}});
     },
     "INTEGER*2 (*Invalid*)"},
    {"empty but not from 1",
     [] {
         return Shaped(Kinds({array, integer_2}), {{3, 2}});
     },
     "INTEGER*2 (3:2)"},
    {"array of derived type",
     [] {
         return Shaped(Named(Kinds({array, structure}), "pt"), {{1, 2}});
     },
     "TYPE(PT) (2)"},
    {"array of character",
     [] {
         ElementPtr e = Shaped(Kinds({array, string}), {{1, 3}});
         e->Size = 8;
         return e;
     },
     "CHARACTER*8 (3)"},
    {"allocatable",
     [] {
         return Shaped(Kinds({allocatable_4, integer_4}), {{1, 5}});
     },
     "INTEGER*4, ALLOCATABLE :: (5)"},
    {"pointer to array",
     [] {
         return Shaped(Kinds({pointer_4, array, real_8}), {{1, 3}});
     },
     "REAL*8 (3), POINTER ::"},
};

TEST(TypeDeclComposite, Texts) {
    for (const DeclCase& c : kDeclCases) {
        SCOPED_TRACE(c.name);
        ElementPtr e = c.make();
        const ElementType kinds[3] = {e->Type, e->SubType, e->SubSubType};
        EXPECT_EQ(c.text, DeclarationOf(*e));
        EXPECT_EQ(kinds[0], e->Type) << "the kind stack is restored";
        EXPECT_EQ(kinds[1], e->SubType);
        EXPECT_EQ(kinds[2], e->SubSubType);
    }
}

TEST(TypeDeclComposite, SuffixIsAppendedToTheWideText) {
    ElementPtr e = Shaped(Kinds({allocatable_4, integer_4}), {{1, 5}});
    e->DeclSuffix = WideCopy(", :: ALLOCATABLE");
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, e->GetTypeDeclaration(&text));
    EXPECT_EQ("INTEGER*4, ALLOCATABLE :: (5), :: ALLOCATABLE", orvel::test::TakeString(text));

    ElementPtr plain = Kinds({real_8});
    ASSERT_EQ(S_OK, plain->GetTypeDeclaration(&text));
    EXPECT_EQ("REAL*8", orvel::test::TakeString(text));
    EXPECT_EQ(E_INVALIDARG, plain->GetTypeDeclaration(nullptr));
}

TEST(TypeDeclBounded, LongNamesAndSmallBuffers) {
    ElementPtr e = Named(Kinds({structure}), std::string(300, 'q').c_str());
    EXPECT_EQ("TYPE(" + std::string(255, 'Q') + ")", DeclarationOf(*e));

    ElementPtr wide = Kinds({array, integer_4});
    SetShape(wide->Array, 4,
             {{INT32_MIN, INT32_MAX},
              {INT32_MIN, INT32_MAX},
              {INT32_MIN, INT32_MAX},
              {INT32_MIN, INT32_MAX},
              {INT32_MIN, INT32_MAX},
              {INT32_MIN, INT32_MAX},
              {INT32_MIN, INT32_MAX}});
    wide->Flags |= IsConst;
    const std::string full = DeclarationOf(*wide);
    for (int size : {1, 2, 5, 16, 40, 100}) {
        SCOPED_TRACE(size);
        std::string buf(static_cast<size_t>(size) + 8, '#');
        wide->TypeDeclaration(&buf[0], size);
        EXPECT_EQ(full.substr(0, static_cast<size_t>(size) - 1), buf.c_str());
        EXPECT_EQ(std::string(8, '#'), buf.substr(static_cast<size_t>(size))) << "written past";
    }
    wide->TypeDeclaration(nullptr, 10);
    char untouched = '#';
    wide->TypeDeclaration(&untouched, 0);
    EXPECT_EQ('#', untouched);

    // The wide text stops at 255 characters before the suffix.
    ElementPtr pointer = Named(Kinds({pointer_4, structure}), std::string(300, 'r').c_str());
    pointer->DeclSuffix = WideCopy("+S");
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, pointer->GetTypeDeclaration(&text));
    EXPECT_EQ(("TYPE(" + std::string(255, 'R') + "), POINTER ::").substr(0, 255) + "+S",
              orvel::test::TakeString(text));
}

TEST(TypeDeclBounded, HostileRank) {
    ElementPtr e = Shaped(Kinds({array, integer_4}), {{1, 2}});
    e->Array.Rank = 100;
    EXPECT_EQ("INTEGER*4 (2,0:0,0:0,0:0,0:0,0:0,0:0)", DeclarationOf(*e));
    e->Array.Rank = -5;
    EXPECT_EQ("INTEGER*4 ()", DeclarationOf(*e));
}

} // namespace
