// Fatal exceptions and guarded functions: the trail of function names,
// innermost first, and foreign exceptions converted where they meet a guard.
#include "Support/Checks.h"

#include <new>

using namespace gen;

namespace
{

void Inner()
{
    Guarded("Source/Test/Inner", "gen::Inner", [] { throw CFatalException("Boom", "Source/Test/Inner", 42); });
}

void Unguarded()
{
    Guarded("Source/Test/Outer", "gen::Outer", [] { Inner(); });
}

int ThrowsBadAlloc()
{
    return Guarded("Source/Test/Alloc", "gen::ThrowsBadAlloc", []() -> int { throw std::bad_alloc(); });
}

TEST(FatalException, TrailCollectsGuardedFunctionsInnermostFirst)
{
    ExpectFatal(Inner, "Boom", "Source/Test/Inner", 42, "gen::Inner <- ");
    // Unguarded functions pass the exception on without a trace.
    ExpectFatal([] { Guarded("Source/Test/Third", "gen::Third", Unguarded); }, "Boom", "Source/Test/Inner", 42,
                "gen::Inner <- gen::Outer <- gen::Third <- ");
}

TEST(FatalException, ForeignExceptionsAreConvertedWhereTheyFirstMeetAGuard)
{
    ExpectFatal([] { Guarded("Source/Test/Outer2", "gen::Outer2", [] { return ThrowsBadAlloc() + 1; }); },
                "Unhandled Exception", "Source/Test/Alloc", -1, "gen::ThrowsBadAlloc <- gen::Outer2 <- ");
}

TEST(FatalException, AppendFunctionWithContextAndCopiesThatStayApart)
{
    CFatalException e("m", "f", 1);
    e.AppendFunction("gen::A", "ctx", true);
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]");
    e.AppendFunction("gen::B", "", false);
    CFatalException copy(e);
    copy.AppendFunction("gen::C", "", false);
    ExpectFatal([&] { throw copy; }, "m", "f", 1, "gen::A[ctx]gen::B <- gen::C <- ");
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]gen::B <- ");
}

} // namespace
