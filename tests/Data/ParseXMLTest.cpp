#include "Data/CParseXML.h"

#include "Common/CFatalException.h"
#include "TempFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace gen
{
namespace
{

// Records every callback as "<name@depth attr=value ...>" and "</name@depth>".
class CRecorder : public CParseXML
{
public:
    std::vector<std::string> Events;
    std::string ThrowAt;

protected:
    void StartElement(const std::string& name, const char** attributes) override
    {
        std::string event = "<" + name + "@" + std::to_string(GetDepth());
        for (const char** a = attributes; a[0]; a += 2)
        {
            event += std::string(" ") + a[0] + "=" + a[1];
        }
        Events.push_back(event + ">");
        if (name == ThrowAt)
        {
            throw CFatalException("Handler failed", "test", 1);
        }
    }
    void EndElement(const std::string& name) override
    {
        Events.push_back("</" + name + "@" + std::to_string(GetDepth()) + ">");
    }
};

// Exposes the base class's trace handler.
class CTracer : public CParseXML
{
};

const char* const kDocument =
    "<?xml version=\"1.0\"?>\n"
    "<Root a=\"1\">\n"
    "  <Child b=\"two\" c=\"3\">text</Child>\n"
    "  <Empty/>\n"
    "  <Deep><Deeper><Deepest x=\"&lt;&amp;\"/></Deeper></Deep>\n"
    "</Root>\n";

std::vector<std::string> ExpectedEvents()
{
    return {"<Root@0 a=1>",    "<Child@1 b=two c=3>", "</Child@1>",      "<Empty@1>",   "</Empty@1>",
            "<Deep@1>",        "<Deeper@2>",          "<Deepest@3 x=<&>", "</Deepest@3>", "</Deeper@2>",
            "</Deep@1>",       "</Root@0>"};
}

TEST(ParseXML, ElementCallbacksDoNotDependOnTheBufferSize)
{
    const std::string path = WriteTempFile("document.xml", kDocument);
    const std::size_t size = std::string(kDocument).size();
    std::size_t divisor = 2;
    while (size % divisor != 0)
    {
        ++divisor;
    }
    // Tiny buffers split names and entities between chunks; the exact size
    // and its fractions end with a read of 0 bytes flagged final.
    for (std::size_t bufferSize : {std::size_t(1), std::size_t(2), std::size_t(7), size / divisor, size, size + 1,
                                   std::size_t(32768)})
    {
        CRecorder recorder;
        EXPECT_TRUE(recorder.ParseFile(path, bufferSize)) << bufferSize;
        EXPECT_EQ(recorder.Events, ExpectedEvents()) << bufferSize;
    }
}

TEST(ParseXML, SyntaxErrorReportsTheLineAndKeepsEarlierCallbacks)
{
    const std::string path = WriteTempFile("broken.xml", "<Root>\n  <A/>\n  <B>\n</Root>\n");
    CRecorder recorder;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(recorder.ParseFile(path, 32768));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output, "Parse error at line: 4 : mismatched tag\n");
    EXPECT_EQ(recorder.Events, (std::vector<std::string>{"<Root@0>", "<A@1>", "</A@1>", "<B@1>"}));
}

TEST(ParseXML, MissingEndTagAtEndOfFileIsAnError)
{
    const std::string path = WriteTempFile("unclosed.xml", "<Root>\n<A>\n");
    CRecorder recorder;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(recorder.ParseFile(path, 4));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output.rfind("Parse error at line: ", 0), 0u) << output;
    EXPECT_NE(output.find(" : no element found\n"), std::string::npos) << output;
}

TEST(ParseXML, UnreadableInputFailsSilently)
{
    const std::string path = WriteTempFile("small.xml", "<Root/>");
    CRecorder recorder;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(recorder.ParseFile(testing::TempDir() + "tessavin_no_such_file.xml", 32768));
    // A directory opens but cannot be read; this must not loop for ever.
    EXPECT_FALSE(recorder.ParseFile(testing::TempDir(), 32768));
    // A zero-sized buffer could never get through the file.
    EXPECT_FALSE(recorder.ParseFile(path, 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(recorder.Events.empty());
}

TEST(ParseXML, HandlerExceptionsPassThroughParseFile)
{
    const std::string path = WriteTempFile("throwing.xml", "<Root><A/><Stop/><B/></Root>");
    CRecorder recorder;
    recorder.ThrowAt = "Stop";
    testing::internal::CaptureStdout();
    EXPECT_THROW(recorder.ParseFile(path, 32768), CFatalException);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // not a syntax error
    ASSERT_FALSE(recorder.Events.empty());
    EXPECT_EQ(recorder.Events.back().substr(0, 6), "<Stop@"); // nothing after the failing element is handled
    EXPECT_EQ(std::count(recorder.Events.begin(), recorder.Events.end(), "<B@1>"), 0);
}

TEST(ParseXML, DefaultStartElementWritesATraceLine)
{
    const std::string path = WriteTempFile("trace.xml", "<Root><a b=\"1\" c=\"x y\"/><d/></Root>");
    CTracer tracer;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(tracer.ParseFile(path, 32768));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Root\n  a b='1' c='x y'\n  d\n");
}

TEST(ParseXML, AttributeReaders)
{
    const char* attributes[] = {"X", "2.5", "Name", "Box", "Word", "abc", "Lead", "3.5e1xyz", "X", "9", nullptr};
    EXPECT_EQ(CParseXML::GetAttributeString(attributes, "Name", "none"), "Box");
    EXPECT_EQ(CParseXML::GetAttributeString(attributes, "name", "none"), "none"); // names are case-sensitive
    EXPECT_EQ(CParseXML::GetAttributeString(attributes, "X", ""), "2.5");        // the first one counts
    EXPECT_EQ(CParseXML::GetAttributeFloat(attributes, "X", 7.0f), 2.5f);
    EXPECT_EQ(CParseXML::GetAttributeFloat(attributes, "x", 7.0f), 7.0f);
    EXPECT_EQ(CParseXML::GetAttributeFloat(attributes, "Word", 7.0f), 0.0f); // not a number reads as 0
    EXPECT_EQ(CParseXML::GetAttributeFloat(attributes, "Lead", 7.0f), 35.0f); // atof stops at the first non-digit
    EXPECT_EQ(CParseXML::GetAttributeFloat(attributes, "Missing", -1.5f), -1.5f);

    const char* none[] = {nullptr};
    EXPECT_EQ(CParseXML::GetAttributeString(none, "Name", "default"), "default");
    EXPECT_EQ(CParseXML::GetAttributeFloat(none, "X", 4.0f), 4.0f);
}

} // namespace
} // namespace gen
