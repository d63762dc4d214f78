#pragma once
// The one error convention for failures the program cannot recover from.
// A CFatalException is thrown at the failure site and, on its way up, every
// guarded function it passes appends its own name, so the record reads like a
// short stack trace, innermost first.

#include <string>
#include <utility>

namespace gen
{

class CFatalException
{
public:
    // A failure raised at a known site.
    CFatalException(std::string message, std::string file, int line)
        : Message(std::move(message)), File(std::move(file)), Line(line)
    {
    }

    // A foreign exception (standard library or anything else) converted at the
    // guarded function it first reached.
    CFatalException(std::string file, const std::string& function, const std::string& context)
        : Message("Unhandled Exception"), File(std::move(file)), Line(-1)
    {
        AppendFunction(function, context, false);
    }

    CFatalException(const CFatalException&) = default;
    CFatalException& operator=(const CFatalException&) = default;

    // Adds "function[context] <- " to the trail (no separator when isLast).
    void AppendFunction(const std::string& function, const std::string& context, bool isLast)
    {
        Functions += function;
        if (!context.empty())
        {
            Functions += "[";
            Functions += context;
            Functions += "]";
        }
        if (!isLast)
        {
            Functions += " <- ";
        }
    }

    const std::string& GetMessage() const { return Message; }
    const std::string& GetFile() const { return File; }
    int GetLine() const { return Line; }
    const std::string& GetFunctions() const { return Functions; }

private:
    std::string Message;
    std::string File;
    int Line;
    std::string Functions;
};

// Runs body as a guarded function called `function`, living in `file`:
// a CFatalException passing through gets the function's name appended and is
// thrown on; anything else becomes an "Unhandled Exception" recorded here.
//
//   return Guarded("Source/Math/CMatrix4x4", "gen::InverseAffine", [&] { ... });
template <typename TBody>
auto Guarded(const char* file, const char* function, TBody&& body) -> decltype(body())
{
    try
    {
        return body();
    }
    catch (CFatalException& e)
    {
        e.AppendFunction(function, "", false);
        throw CFatalException(e);
    }
    catch (...)
    {
        throw CFatalException(file, function, "");
    }
}

} // namespace gen
