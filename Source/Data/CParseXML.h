#pragma once
// A thin wrapper over the Expat parser: reads a file in chunks, forwards the
// element callbacks to virtual handlers and tracks the element depth. A
// subclass overrides the handlers to interpret one kind of document. One
// object parses one document: its Expat parser is never reset, so a second
// ParseFile reports "parsing finished" as a parse error.

#include <expat.h>

#include <cstdint>
#include <exception>
#include <string>

namespace gen
{

class CParseXML
{
public:
    CParseXML();
    virtual ~CParseXML();

    CParseXML(const CParseXML&) = delete;
    CParseXML& operator=(const CParseXML&) = delete;

    // Parses the whole file, feeding Expat bufferSize bytes at a time. False
    // when the buffer cannot be had, the file cannot be opened or read (both
    // silently), or on a syntax error, which is written to standard output as
    // "Parse error at line: N : message". What the handlers did before an
    // error stays done. An exception thrown by a handler stops the parse and
    // propagates out of ParseFile unchanged.
    bool ParseFile(const std::string& fileName, std::size_t bufferSize);

    // Expat's attribute list: name, value, name, value, ..., null. A null list
    // counts as empty.
    static std::string GetAttributeString(const char** attributes, const std::string& attributeName,
                                          const std::string& defaultValue);
    // The value read with atof (text that is not a number gives 0).
    static float GetAttributeFloat(const char** attributes, const std::string& attributeName, float defaultValue);

protected:
    // Default: a trace line on standard output, two blanks per level of depth,
    // the name, then " name='value'" per attribute.
    virtual void StartElement(const std::string& elementName, const char** attributes);
    // Default: nothing.
    virtual void EndElement(const std::string& elementName);

    // Elements open around the one being reported (0 for the root element).
    std::uint32_t GetDepth() const { return Depth; }

private:
    static void XMLCALL StartCallback(void* userData, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL EndCallback(void* userData, const XML_Char* name);
    void KeepHandlerException();

    XML_Parser Parser;
    std::uint32_t Depth;
    // An exception thrown by a handler, carried past Expat's C frames and
    // rethrown from ParseFile.
    std::exception_ptr HandlerException;
};

} // namespace gen
