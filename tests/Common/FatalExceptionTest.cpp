#include "Common/CFatalException.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace gen;

namespace
{
void Inner()
{
    Guarded("Source/Test/Inner", "gen::Inner", [] { throw CFatalException("Boom", "Source/Test/Inner", 42); });
}

void Outer()
{
    Guarded("Source/Test/Outer", "gen::Outer", [] { Inner(); });
}

void Unguarded() { Outer(); }

void Third()
{
    Guarded("Source/Test/Third", "gen::Third", [] { Unguarded(); });
}

int ThrowsBadAlloc()
{
    return Guarded("Source/Test/Alloc", "gen::ThrowsBadAlloc", []() -> int { throw std::bad_alloc(); });
}

int Outer2()
{
    return Guarded("Source/Test/Outer2", "gen::Outer2", [] { return ThrowsBadAlloc() + 1; });
}
} // namespace

TEST(FatalException, TrailCollectsGuardedFunctionsInnermostFirst)
{
    try
    {
        Inner();
        FAIL();
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetMessage(), "Boom");
        EXPECT_EQ(e.GetFile(), "Source/Test/Inner");
        EXPECT_EQ(e.GetLine(), 42);
        EXPECT_EQ(e.GetFunctions(), "gen::Inner <- ");
    }

    try
    {
        Third();
        FAIL();
    }
    catch (const CFatalException& e)
    {
        // Unguarded functions pass the exception on without a trace.
        EXPECT_EQ(e.GetFunctions(), "gen::Inner <- gen::Outer <- gen::Third <- ");
        EXPECT_EQ(e.GetFile(), "Source/Test/Inner");
        EXPECT_EQ(e.GetLine(), 42);
    }
}

TEST(FatalException, ForeignExceptionsAreConvertedWhereTheyFirstMeetAGuard)
{
    try
    {
        Outer2();
        FAIL();
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetMessage(), "Unhandled Exception");
        EXPECT_EQ(e.GetLine(), -1);
        EXPECT_EQ(e.GetFile(), "Source/Test/Alloc");
        EXPECT_EQ(e.GetFunctions(), "gen::ThrowsBadAlloc <- gen::Outer2 <- ");
    }
}

TEST(FatalException, AppendFunctionContextAndCopies)
{
    CFatalException e("m", "f", 1);
    e.AppendFunction("gen::A", "ctx", true);
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]");
    e.AppendFunction("gen::B", "", false);
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]gen::B <- ");

    CFatalException copy(e);
    EXPECT_EQ(copy.GetMessage(), e.GetMessage());
    EXPECT_EQ(copy.GetFile(), e.GetFile());
    EXPECT_EQ(copy.GetLine(), e.GetLine());
    EXPECT_EQ(copy.GetFunctions(), e.GetFunctions());
    copy.AppendFunction("gen::C", "", false);
    EXPECT_EQ(e.GetFunctions(), "gen::A[ctx]gen::B <- ");

    CFatalException converted("Source/X", "gen::X", "why");
    EXPECT_EQ(converted.GetMessage(), "Unhandled Exception");
    EXPECT_EQ(converted.GetLine(), -1);
    EXPECT_EQ(converted.GetFunctions(), "gen::X[why] <- ");
}

TEST(FatalException, GuardedPassesResultsThrough)
{
    EXPECT_EQ(Guarded("f", "gen::F", [] { return 7; }), 7);
}
