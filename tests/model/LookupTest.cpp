// Name lookup through the host's scopes, and the routine's locals cache.
#include <gtest/gtest.h>

#include <string>

#include "LookupTestSupport.h"
#include "ModelTestSupport.h"
#include "model/LocalsCache.h"
#include "platform/TraceSink.h"

namespace orvel::test {
namespace {

TEST_F(LookupTest, RoutineNamesComeFirstAndCaseDoesNotMatter) {
    Start();
    struct Case {
        const char* name;
        bool found;
        bool onFrame;
    } cases[] = {
        {"IT", true, true}, // the local, not DEMO's static of the same name
        {"it", true, true},          {"n", true, true},        {"Name", true, true},
        {"globalonly", true, false}, {"NOSUCH", false, false},
    };
    for (const Case& c : cases) {
        ComPtr<Element> e = Lookup(c.name);
        ASSERT_EQ(static_cast<bool>(e), c.found) << c.name;
        if (!e) continue;
        EXPECT_EQ(e->HasFlag(OnFrame), c.onFrame) << c.name;
    }
    EXPECT_EQ(Lookup("it")->GetSize(), 4);
    EXPECT_EQ(Lookup("it")->GetType(), integer_4);
}

TEST_F(LookupTest, ModuleNameGivesModuleElement) {
    Start();
    ComPtr<Element> e = Lookup("MODULE GEOM");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetType(), module);
    EXPECT_EQ(e->Error, 0);
    EXPECT_EQ(e->Name, "MODULE GEOM");
}

TEST_F(LookupTest, NoContainerAtAddressFindsNothing) {
    Start();
    ComPtr<ExpressionContext> lost;
    lost.Attach(ExpressionContext::Create(m_provider.get(), m_binder.get(), nullptr, nullptr));
    EXPECT_EQ(lost->Lookup("IT"), nullptr);
}

TEST_F(LookupTest, LocalsCacheSkipsCompilerTemporaries) {
    Start();
    ComPtr<Element> routine = Routine();
    ASSERT_EQ(routine->GetType(), function);
    routine->CacheLocalVariables();
    ASSERT_NE(routine->Locals, nullptr);
    struct Case {
        const char* name;
        bool cached;
    } cases[] = {{"S#1", false}, {"T#22", false}, {"U#3", false}, {"S#X", true},
                 {"SA1", true},  {"sa1", true},   {"n", true},    {"IT", true}};
    for (const Case& c : cases)
        EXPECT_EQ(routine->Locals->Find(c.name) != nullptr, c.cached) << c.name;
    EXPECT_EQ(routine->Locals->Hits, 5);
    EXPECT_EQ(routine->Locals->Misses, 3);
    // The parameter N and the twelve locals less the three temporaries.
    EXPECT_EQ(routine->Locals->Entries, 10);
}

TEST_F(LookupTest, LocalsCacheStatsAreTracedWhenTheRoutineGoes) {
    Start();
    ScopedTraceCapture capture;
    {
        ComPtr<Element> routine = Routine();
        routine->CacheLocalVariables();
        routine->Locals->Find("IT");
        routine->Locals->Find("S#1");
    }
    std::string all;
    for (const std::string& line : capture.Lines())
        all += line;
    EXPECT_NE(all.find("Orvel EE: LocalsCache Stats: Entries: 10, Hits: 1, Misses: 1\n"),
              std::string::npos)
        << all;
}

TEST(LocalsCacheTest, BucketIsUpperCaseSumModulo128) {
    EXPECT_EQ(LocalsCache::BucketOf("ab"), ('A' + 'B') % 128u);
    EXPECT_EQ(LocalsCache::BucketOf("AB"), LocalsCache::BucketOf("ab"));
    EXPECT_EQ(LocalsCache::BucketOf(""), 0u);
}

} // namespace
} // namespace orvel::test
