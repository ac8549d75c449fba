// The Fortran forms of the watch language over the demonstration program and the
// coverage snapshot, through the host's surface: what a Fortran programmer types gives
// the row a compiler's meaning suggests.
#include <gtest/gtest.h>

#include "WatchSession.h"

namespace {

using orvel::test::Row;

struct Valued {
    const char *text, *name, *type, *value;
};

class WatchLanguage : public orvel::test::WatchSession {
protected:
    void Expect(const std::string& snapshot, const Valued* begin, const Valued* end) {
        Start(snapshot);
        for (const Valued* c = begin; c != end; ++c) {
            SCOPED_TRACE(c->text);
            const Row row = Watch(c->text);
            ASSERT_EQ(row.Hr, S_OK);
            EXPECT_EQ(row.Name, c->name);
            EXPECT_EQ(row.Type, c->type);
            EXPECT_EQ(row.Value, c->value);
        }
    }
};

TEST_F(WatchLanguage, DemonstrationProgram) {
    const Valued cases[] = {
        {"N .eq. 8", "N .EQ. 8", "LOGICAL*4", ".TRUE."},
        {".true. .and. .not. DONE", ".TRUE. .AND. .NOT. DONE", "LOGICAL*4", ".TRUE."},
        {"N /= 3", "N /= 3", "LOGICAL*4", ".TRUE."},
        {"N**2 - 1", "N**2 - 1", "INTEGER*4", "63"},
        {"R**2", "R**2", "REAL*8", "0.04"},
        {"-N**2", "-N**2", "INTEGER*4", "-64"},
        {"leng(TITLE)", "LENG(TITLE)", "INTEGER*4", "12"},
        {"1 + leng(TITLE)", "1 + LENG(TITLE)", "INTEGER*4", "13"},
        {"LEN_TRIM(STATUS)", "LEN_TRIM(STATUS)", "INTEGER*4", "10"},
        {"TITLE .EQ. 'Copper rod A'", "TITLE .EQ. 'COPPER ROD A'", "LOGICAL*4", ".TRUE."},
        {"STATUS == 'converging'", "STATUS == 'CONVERGING'", "LOGICAL*4", ".TRUE."},
        {"TITLE // '?'", "TITLE // '?'", "CHARACTER*13", "'Copper rod A?'"},
        {"1.5D0 * N", "1.5D0 * N", "REAL*8", "12"},
        {"N + 2_2", "N + 2_2", "INTEGER*4", "10"},
        {"loc(U) == loc(U)", "LOC(U) == LOC(U)", "LOGICAL*4", ".TRUE."},
        {"loc(N)", "loc(N)", "", "You cannot take the address of this object"},
        {"SIZE(FLUX)", "SIZE(FLUX)", "INTEGER*4", "8"},
        {"N + SIZE(U) * 2", "N + SIZE(U) * 2", "INTEGER*4", "24"},
        {"UBOUND(FLUX,2) - LBOUND(FLUX,2)", "UBOUND(FLUX,2) - LBOUND(FLUX,2)", "INTEGER*4", "1"},
        {"SIZE(WORK)", "SIZE(WORK)", "INTEGER*4", "5"},
        {"U(MOD(N,3))", "U(MOD(N,3))", "REAL*8", "21.5"},
        {"MAX(U(1), U(2))", "MAX(U(1), U(2))", "REAL*8", "21.5"},
        {"SIZE(FLUX,3)", "SIZE(FLUX,3)", "", "DIM argument out of range"},
        {"LBOUND(FLUX)", "LBOUND(FLUX)", "", "Wrong number of arguments for this intrinsic"},
    };
    Expect("heat.json", std::begin(cases), std::end(cases));
}

TEST_F(WatchLanguage, CoverageSnapshot) {
    const Valued cases[] = {
        {"I2 ** 2", "I2 ** 2", "INTEGER*4", "1000000"},
        {"C8 ** 2", "C8 ** 2", "COMPLEX*8", "(-3.00000, 4.00000)"},
        {"CH // NAME", "CH // NAME", "CHARACTER*12", "'AB   Fortran'"},
        {"NAMES(1) .EQ. 'ab'", "NAMES(1) .EQ. 'AB'", "LOGICAL*4", ".TRUE."},
        {"LEN(NAMES(2))", "LEN(NAMES(2))", "INTEGER*4", "4"},
        {"SEG%A%X .eq. 1", "SEG%A%X .EQ. 1", "LOGICAL*4", ".TRUE."},
    };
    Expect("coverage.json", std::begin(cases), std::end(cases));
}

} // namespace
