// Fatal exceptions and guarded functions: the trail of function names,
// innermost first, and foreign exceptions converted where they meet a guard.
#include "Common/CFatalException.h"

#include <gtest/gtest.h>

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

// The exception a call throws.
template <typename TCall>
CFatalException Caught(TCall call)
{
    try
    {
        call();
    }
    catch (const CFatalException& e)
    {
        return e;
    }
    ADD_FAILURE() << "nothing thrown";
    return CFatalException("", "", 0);
}

TEST(FatalException, TrailCollectsGuardedFunctionsInnermostFirst)
{
    const CFatalException direct = Caught(Inner);
    EXPECT_EQ(direct.GetMessage(), "Boom");
    EXPECT_EQ(direct.GetFile(), "Source/Test/Inner");
    EXPECT_EQ(direct.GetLine(), 42);
    EXPECT_EQ(direct.GetFunctions(), "gen::Inner <- ");

    // Unguarded functions pass the exception on without a trace.
    const CFatalException nested = Caught([] { Guarded("Source/Test/Third", "gen::Third", Unguarded); });
    EXPECT_EQ(nested.GetFunctions(), "gen::Inner <- gen::Outer <- gen::Third <- ");
    EXPECT_EQ(nested.GetLine(), 42);
}

TEST(FatalException, ForeignExceptionsAreConvertedWhereTheyFirstMeetAGuard)
{
    const CFatalException e =
        Caught([] { return Guarded("Source/Test/Outer2", "gen::Outer2", [] { return ThrowsBadAlloc() + 1; }); });
    EXPECT_EQ(e.GetMessage(), "Unhandled Exception");
    EXPECT_EQ(e.GetLine(), -1);
    EXPECT_EQ(e.GetFile(), "Source/Test/Alloc");
    EXPECT_EQ(e.GetFunctions(), "gen::ThrowsBadAlloc <- gen::Outer2 <- ");
}

TEST(FatalException, AppendFunctionWithContextAndCopiesThatStayApart)
{
    CFatalException e("m", "f", 1);
    e.AppendFunction("gen::A", "ctx", true);
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]");
    e.AppendFunction("gen::B", "", false);
    CFatalException copy(e);
    EXPECT_EQ(copy.GetMessage(), "m");
    EXPECT_EQ(copy.GetFile(), "f");
    EXPECT_EQ(copy.GetLine(), 1);
    copy.AppendFunction("gen::C", "", false);
    EXPECT_EQ(copy.GetFunctions(), "gen::A[ctx]gen::B <- gen::C <- ");
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]gen::B <- ");
}

} // namespace
