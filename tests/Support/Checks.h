#pragma once
// Checks shared by the test programs: vectors and matrices compared within a
// tolerance, the fatal exception a call throws, and a recorder of the
// messages shown to the user.

#include "Common/CFatalException.h"
#include "Common/Message.h"
#include "Math/CMatrix4x4.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace gen
{

inline void ExpectNear(const CVector3& a, const CVector3& b, float tolerance = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

inline void ExpectNear(const CMatrix4x4& a, const CMatrix4x4& b, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(a.e[i], b.e[i], tolerance) << "element " << i;
    }
}

inline void ExpectFatal(const std::function<void()>& call, const std::string& message, const std::string& file,
                        int line, const std::string& functions)
{
    try
    {
        call();
        ADD_FAILURE() << "nothing thrown";
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetMessage(), message);
        EXPECT_EQ(e.GetFile(), file);
        EXPECT_EQ(e.GetLine(), line);
        EXPECT_EQ(e.GetFunctions(), functions);
    }
}

// Records every user message ("caption: text") shown while it lives.
class CMessageLog
{
public:
    CMessageLog()
        : Previous(SetMessageHandler(
              [this](const std::string& text, const std::string& caption) { Messages.push_back(caption + ": " + text); }))
    {
    }
    ~CMessageLog() { SetMessageHandler(Previous); }

    std::vector<std::string> Messages;

private:
    TMessageHandler Previous;
};

} // namespace gen
