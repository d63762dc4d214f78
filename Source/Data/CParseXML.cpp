#include "Data/CParseXML.h"

#include "Common/CFatalException.h"
#include "Common/FileProblem.h"
#include "Common/Problems.h"
#include "Common/Utf8System.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace gen
{

namespace
{
const char* const kFile = "Source/Data/CParseXML";
} // namespace

CParseXML::CParseXML() : Parser(nullptr), Depth(0)
{
    Guarded(kFile, "gen::CParseXML::CParseXML", [&] {
        Parser = XML_ParserCreate(nullptr);
        if (!Parser)
        {
            throw CFatalException("Fatal memory error creating XML parser", kFile, 31);
        }
        XML_SetElementHandler(Parser, &CParseXML::StartCallback, &CParseXML::EndCallback);
        XML_SetUserData(Parser, this);
    });
}

CParseXML::~CParseXML()
{
    XML_ParserFree(Parser);
}

bool CParseXML::ParseFile(const std::string& fileName, std::size_t bufferSize)
{
    // A zero-sized buffer could never make progress through the file.
    if (bufferSize == 0 || bufferSize > static_cast<std::size_t>(INT32_MAX))
    {
        return false;
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer)
    {
        return false;
    }
    const TFile file(OpenFile(fileName, "r"));
    if (!file)
    {
        ReportFileProblem(fileName, FileProblemOr(fileName, "the file cannot be opened"));
        return false;
    }

    Depth = 0;
    while (!std::feof(file.get()))
    {
        const std::size_t bytesRead = std::fread(buffer.get(), 1, bufferSize, file.get());
        // A read error (a directory, a failing device) never reaches the end
        // of the file; without this check the loop would not end.
        if (std::ferror(file.get()))
        {
            ReportFileProblem(fileName, FileProblemOr(fileName, "the file cannot be read"));
            return false;
        }
        const int isFinal = std::feof(file.get()) ? 1 : 0;
        if (XML_Parse(Parser, buffer.get(), static_cast<int>(bytesRead), isFinal) == 0)
        {
            if (HandlerException)
            {
                std::exception_ptr e = HandlerException;
                HandlerException = nullptr;
                std::rethrow_exception(e);
            }
            const XML_LChar* message = XML_ErrorString(XML_GetErrorCode(Parser));
            std::printf("Parse error at line: %lu : %s\n",
                        static_cast<unsigned long>(XML_GetCurrentLineNumber(Parser)), message ? message : "");
            std::fflush(stdout);
            ReportFileProblem(fileName, "parse error at line " +
                                            std::to_string(XML_GetCurrentLineNumber(Parser)) + ": " +
                                            (message ? message : ""));
            return false;
        }
    }
    return true;
}

std::string CParseXML::GetAttributeString(const char** attributes, const std::string& attributeName,
                                          const std::string& defaultValue)
{
    if (attributes)
    {
        for (const char** a = attributes; a[0]; a += 2)
        {
            if (attributeName == a[0])
            {
                return a[1];
            }
        }
    }
    return defaultValue;
}

float CParseXML::GetAttributeFloat(const char** attributes, const std::string& attributeName, float defaultValue)
{
    if (attributes)
    {
        for (const char** a = attributes; a[0]; a += 2)
        {
            if (attributeName == a[0])
            {
                return static_cast<float>(std::atof(a[1]));
            }
        }
    }
    return defaultValue;
}

void CParseXML::StartElement(const std::string& elementName, const char** attributes)
{
    std::string line(2 * static_cast<std::size_t>(Depth), ' ');
    line += elementName;
    if (attributes)
    {
        for (const char** a = attributes; a[0]; a += 2)
        {
            line += ' ';
            line += a[0];
            line += "='";
            line += a[1];
            line += '\'';
        }
    }
    line += '\n';
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

void CParseXML::EndElement(const std::string&)
{
}

void CParseXML::KeepHandlerException()
{
    HandlerException = std::current_exception();
    XML_StopParser(Parser, XML_FALSE);
}

void XMLCALL CParseXML::StartCallback(void* userData, const XML_Char* name, const XML_Char** attributes)
{
    CParseXML* self = static_cast<CParseXML*>(userData);
    // Expat may still deliver a callback after a stop (the end of an empty
    // element); nothing more is handled once a handler has failed.
    if (self->HandlerException)
    {
        ++self->Depth;
        return;
    }
    try
    {
        self->StartElement(std::string(name), attributes);
    }
    catch (...)
    {
        self->KeepHandlerException();
    }
    ++self->Depth;
}

void XMLCALL CParseXML::EndCallback(void* userData, const XML_Char* name)
{
    CParseXML* self = static_cast<CParseXML*>(userData);
    --self->Depth;
    if (self->HandlerException)
    {
        return;
    }
    try
    {
        self->EndElement(std::string(name));
    }
    catch (...)
    {
        self->KeepHandlerException();
    }
}

} // namespace gen
