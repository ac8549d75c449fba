// Watch expressions evaluated the way the engine does it: a stopped program loaded from a
// snapshot, the stop routine's method field as the scope Element, and the printed value
// of the result. Each table is one behaviour; the host is started once per table.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../support/LiveObjectCheck.h"
#include "EvaluatorTestSupport.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/LiveCounts.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

using orvel::ComPtr;

struct Watch {
    const char* text;
    const char* shown; // Print of the result; unused when error is set
    int error = 0;
};

std::string SnapshotFile(const std::string& name) {
    if (name == "heat.json") return std::string(ORVEL_TEST_DATA_DIR) + "/../../examples/" + name;
    return std::string(ORVEL_TEST_DATA_DIR) + "/snapshots/" + name;
}

class WatchOnSnapshot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(orvel::sim::LiveObjects(), 0) << "objects left by an earlier test";
        CacheClear();
        m_live.Take();
    }

    void TearDown() override {
        if (m_scope) m_scope->Release();
        m_scope = nullptr;
        m_host.reset();
        CacheClear();
        m_live.ExpectNoneLeft();
    }

    // Starts the snapshot's program and makes the scope from its stop routine.
    void Start(const std::string& file) {
        orvel::sim::HostProgram program;
        std::string error;
        ASSERT_TRUE(orvel::sim::LoadSnapshotFile(SnapshotFile(file), &program, &error)) << error;
        ASSERT_EQ(orvel::sim::SimHost::Start(std::move(program), &m_host, &error), S_OK) << error;
        ComPtr<IDebugSymbolProvider> provider;
        ComPtr<IDebugBinder> binder;
        ComPtr<IDebugAddress> stop;
        ASSERT_EQ(m_host->GetSymbolProvider(provider.put()), S_OK);
        ASSERT_EQ(m_host->GetBinder(binder.put()), S_OK);
        ASSERT_EQ(m_host->GetStopAddress(stop.put()), S_OK);
        ComPtr<ExpressionContext> cxt = ComPtr<ExpressionContext>::Adopt(
            ExpressionContext::Create(provider.get(), binder.get(), stop.get(), nullptr));
        ASSERT_TRUE(cxt);
        ComPtr<IDebugContainerField> method;
        ASSERT_EQ(provider->GetContainerField(stop.get(), method.put()), S_OK);
        FIELD_INFO info{};
        ASSERT_EQ(method->GetInfo(FIF_NAME, &info), S_OK);
        orvel::BstrHolder name(info.bstrName);
        m_scope = new Element(method.get(), cxt.get(), name.get(), nullptr, nullptr);
        ASSERT_EQ(function, m_scope->Type);
    }

    orvel::test::Outcome Evaluate(const char* text) {
        orvel::test::Outcome out;
        FortranEvaluator engine(text, m_scope);
        engine.Evaluate();
        out.Error = engine.GetError();
        if (Element* result = engine.GetResult()) {
            out.HasResult = true;
            out.Kind = result->Type;
            out.Shown = orvel::test::ShownValue(result);
        }
        return out;
    }

    void Check(const std::string& file, std::initializer_list<Watch> watches) {
        Start(file);
        if (HasFatalFailure()) return;
        for (const Watch& w : watches) {
            SCOPED_TRACE(w.text);
            const orvel::test::Outcome out = Evaluate(w.text);
            EXPECT_EQ(w.error, out.Error);
            if (w.error == 0) {
                EXPECT_EQ(std::string(w.shown), out.Shown);
            }
        }
    }

    // The declaration text of what a name evaluates to.
    std::string Declaration(const char* text) {
        FortranEvaluator engine(text, m_scope);
        engine.Evaluate();
        Element* result = engine.GetResult();
        if (!result) return "<error " + std::to_string(engine.GetError()) + ">";
        char buf[256];
        result->TypeDeclaration(buf, sizeof buf);
        return buf;
    }

    std::unique_ptr<orvel::sim::SimHost> m_host;
    Element* m_scope = nullptr;
    orvel::test::LiveObjectCheck m_live;
};

TEST_F(WatchOnSnapshot, ScalarsOfEachKind) {
    Check("coverage.json", {
                               {"I1", "-5"},
                               {"I2", "1000"},
                               {"I4", "-123456"},
                               {"L1", ".TRUE."},
                               {"L2", ".FALSE."},
                               {"L4", ".TRUE."},
                               {"R4", "1.50000"},
                               {"R8", "0.1"},
                               {"C8", "(1.00000, 2.00000)"},
                               {"C16", "(-0.5, 0.25)"},
                               {"U4", "UNDEFINED"},
                               {"RAW", "-2139062143"},
                               {"OPT", "Error, HRESULT = 80004005"},
                               {"n", "3"},
                           });
}

TEST_F(WatchOnSnapshot, ArithmeticOnVariablesReadFromMemory) {
    Check("coverage.json", {
                               {"I4 + 1", "-123455"},
                               {"N * 2 - M", "6"},
                               {"R8 * 2", "0.2"},
                               {"I2 / N", "333"},
                               {"-I1", "5"},
                               {"I4 .LT. 0", ".TRUE."},
                               {"C8 + 1", "(2.00000, 2.00000)"},
                           });
}

TEST_F(WatchOnSnapshot, ArraysWithOddBoundsAndDynamicShapes) {
    Check("coverage.json", {
                               {"GRID(0,-1)", "1"},
                               {"GRID(1,0)", "5"},
                               {"GRID(2,1)", "9"},
                               {"GRID(3,0)", "", 32},
                               {"GRID(0,-2)", "", 32},
                               {"A(1,0)", "1"},
                               {"A(2,1)", "5"},
                               {"A(3,2)", "9"},
                               {"A(4,0)", "", 32},
                               {"A(1,-1)", "", 32},
                               {"KV(-1)", "7"},
                               {"KV(1)", "9"},
                               {"KV(2)", "", 32},
                               {"RAMP(1)", "-50000"},
                               {"RAMP(100000)", "49999"},
                               {"RAMP(100001)", "", 32},
                               {"GRID(1,0) + RAMP(2)", "-49994"},
                               // Assumed size: the last dimension has no upper bound.
                               {"S(2,1)", "1"},
                               {"S(3,2)", "4"},
                               {"S(2,3)", "5"},
                               {"S(3,3) - S(2,1)", "5"},
                               {"S(1,1)", "", 32},
                               {"S(2,0)", "", 32},
                           });
}

TEST_F(WatchOnSnapshot, CharacterValues) {
    Check("coverage.json", {
                               {"CH", "'AB   '"},
                               {"NAME", "'Fortran'"},
                               {"NAMES(1)", "'ab  '"},
                               {"NAMES(2)", "'cdef'"},
                               {"KTEXT", "'a constant of 24 bytes..'"},
                               {"leng(CH)", "5"},
                               {"leng(I4)", "", 36},
                           });
}

TEST_F(WatchOnSnapshot, ParameterConstants) {
    Check("coverage.json", {
                               {"KSMALL", "42"},
                               {"KSMALL + 1", "43"},
                               {"KPAIR", "(1, -1)"},
                               {"KLO", "-1"},
                               {"E", "2.71828182845905"},
                           });
}

TEST_F(WatchOnSnapshot, DerivedTypeComponents) {
    Check("coverage.json", {
                               {"SEG%A%X", "1.00000"},
                               {"SEG.B.Y", "4.00000"},
                               {"SEG%TAG", "'s1 '"},
                               {"HEAD%KEY", "1"},
                               {"HEAD%W + 1", "1.5"},
                               {"HEAD%HIST(2)", "3"},
                               {"TAIL%W", "1.5"},
                               {"ORIGIN%Y", "-1.50000"},
                               {"PTS(3)%X", "5.00000"},
                               {"SEG%Q", "", 25},
                               {"I4%Q", "", 24},
                           });
}

TEST_F(WatchOnSnapshot, PointersAssociatedAndNot) {
    Check("coverage.json", {
                               {"PS", "0.1"},
                               {"PS * 10", "1"},
                               {"PN%KEY", "1"},
                               {"PN->KEY", "1"},
                               {"PN->W", "0.5"},
                               {"HEAD%NEXT->KEY", "2"},
                               {"HEAD%NEXT%W", "1.5"},
                               {"MPTR->X", "0.500000"},
                               {"PA(1,0)", "5"},
                               {"PNULL", "Null"},
                               {"SEG->A", "", 26},
                               {"I4->X", "", 26},
                           });
}

TEST_F(WatchOnSnapshot, AllocatablesAllocatedAndNot) {
    Check("coverage.json", {
                               {"ALLOC(-1)", "0.500000"},
                               {"ALLOC(1)", "2.50000"},
                               {"ALLOC(0) * 2", "3.00000"},
                               {"ALLOC(2)", "", 32},
                               {"NOALLOC(1)", "", 27},
                           });
}

TEST_F(WatchOnSnapshot, CommonModuleAndSaveStatics) {
    Check("coverage.json", {
                               {"IA", "11"},
                               {"RB", "2.5"},
                               {"ON", ".TRUE."},
                               {"MODE", "5"},
                               {"NPTS", "4"},
                               {"LO + NPTS", "2"},
                               {"WEIGHTS(-2)", "1"},
                               {"WEIGHTS(4)", "4"},
                               {"LEVEL", "3"},
                               {"SAVED", "77"},
                               {"HIDDENSAVE", "6.5"},
                               {"FIRST", "1"},
                               {"SECOND", "2"},
                               {"SP", "77"},
                               {"SP + 1", "78"},
                               {"LOST", "Variable could not be located."},
                           });
}

TEST_F(WatchOnSnapshot, UnknownNamesAndMisuse) {
    Check("coverage.json", {
                               {"NOSUCH", "", 11},
                               {"NOSUCH + 1", "", 11},
                               {"I4(1)", "", 27},
                               {"loc(I4)", "", 22},
                           });
}

TEST_F(WatchOnSnapshot, DeclarationsOfWhatWasFound) {
    Start("coverage.json");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ("INTEGER*2 (0:2,-1:1)", Declaration("GRID"));
    EXPECT_EQ("REAL*8 (3,0:2)", Declaration("A"));
    EXPECT_EQ("INTEGER*4 (2:3,*)", Declaration("S"));
    EXPECT_EQ("CHARACTER*7", Declaration("NAME"));
    EXPECT_EQ("INTEGER*4, PARAMETER ::", Declaration("KSMALL"));
    EXPECT_EQ("REAL*4", Declaration("SEG%A%X"));
}

TEST_F(WatchOnSnapshot, DemonstrationProgram) {
    Check("heat.json", {
                           {"I", "3"},
                           {"U(3)", "23"},
                           {"U(3) * 2 + N", "54"},
                           {"FLUX(4,0)", "-2.00000"},
                           {"FLUX(1,-1)", "0.500000"},
                           {"FLUX(2,0) * 2 + STEP", "15.0000"},
                           {"TITLE", "'Copper rod A'"},
                           {"NCELLS", "64"},
                           {"PROFILE(64)", "51.5"},
                           {"HISTORY(1000000)", "999.999"},
                           {"HISTORY(1000001)", "", 32},
                           {"MESH%NX", "64"},
                           {"MESH%LABEL", "'rod     '"},
                           {"NSTEPS", "500"},
                           {"VERBOSE", ".TRUE."},
                           {"CALLS", "12"},
                           {"TOTAL", "1234.5"},
                           {"LASTN", "8"},
                           {"CURRENT->ID", "7"},
                           {"SENSOR%POS(1)", "0.250000"},
                           {"HOTTEST", "0.2"},
                           {"WORK(2)", "0.25"},
                           {"SPARE(1)", "", 27},
                           {"PI", "3.14159265358979"},
                           {"NMAX - 1", "999"},
                       });
}

} // namespace
