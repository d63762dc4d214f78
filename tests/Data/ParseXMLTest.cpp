// The XML wrapper over Expat: element callbacks with depth and attributes
// whatever the buffer size, syntax errors, unreadable files and handler
// exceptions, the default trace and the attribute readers.
#include "Data/CParseXML.h"

#include "Common/CFatalException.h"
#include "TempFile.h"

#include <gtest/gtest.h>

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

TEST(ParseXML, ElementCallbacksDoNotDependOnTheBufferSize)
{
    const std::string document = "<?xml version=\"1.0\"?>\n<Root a=\"1\">\n  <Child b=\"two\" c=\"3\">text</Child>\n"
                                 "  <Empty/>\n  <Deep><Deeper><Deepest x=\"&lt;&amp;\"/></Deeper></Deep>\n</Root>\n";
    const std::vector<std::string> expected = {
        "<Root@0 a=1>", "<Child@1 b=two c=3>", "</Child@1>",  "<Empty@1>",   "</Empty@1>", "<Deep@1>",
        "<Deeper@2>",   "<Deepest@3 x=<&>",    "</Deepest@3>", "</Deeper@2>", "</Deep@1>",  "</Root@0>"};
    const std::string path = WriteTempFile("document.xml", document);
    // Tiny buffers split names and entities between chunks; the exact size and
    // its fractions (the document has 147 bytes) end with a read of 0 bytes flagged final.
    ASSERT_EQ(document.size(), 147u);
    for (std::size_t bufferSize : {1, 2, 7, 21, 49, 147, 148, 32768})
    {
        CRecorder recorder;
        EXPECT_TRUE(recorder.ParseFile(path, bufferSize)) << bufferSize;
        EXPECT_EQ(recorder.Events, expected) << bufferSize;
    }
}

TEST(ParseXML, SyntaxErrorsReportTheLineAndKeepEarlierCallbacks)
{
    CRecorder recorder;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(recorder.ParseFile(WriteTempFile("broken.xml", "<Root>\n  <A/>\n  <B>\n</Root>\n"), 32768));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Parse error at line: 4 : mismatched tag\n");
    EXPECT_EQ(recorder.Events, (std::vector<std::string>{"<Root@0>", "<A@1>", "</A@1>", "<B@1>"}));

    testing::internal::CaptureStdout();
    EXPECT_FALSE(CRecorder().ParseFile(WriteTempFile("unclosed.xml", "<Root>\n<A>\n"), 4));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Parse error at line: 3 : no element found\n");
}

TEST(ParseXML, UnreadableInputFailsSilently)
{
    CRecorder recorder;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(recorder.ParseFile(testing::TempDir() + "tessavin_no_such_file.xml", 32768));
    // A directory opens but cannot be read; this must not loop for ever.
    EXPECT_FALSE(recorder.ParseFile(testing::TempDir(), 32768));
    // A zero-sized buffer could never get through the file.
    EXPECT_FALSE(recorder.ParseFile(WriteTempFile("small.xml", "<Root/>"), 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(recorder.Events.empty());
}

TEST(ParseXML, HandlerExceptionsPassThroughAndEndTheParse)
{
    CRecorder recorder;
    recorder.ThrowAt = "Stop";
    testing::internal::CaptureStdout();
    EXPECT_THROW(recorder.ParseFile(WriteTempFile("throwing.xml", "<Root><A/><Stop/><B/></Root>"), 32768),
                 CFatalException);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // not a syntax error
    EXPECT_EQ(recorder.Events, (std::vector<std::string>{"<Root@0>", "<A@1>", "</A@1>", "<Stop@1>"}));
}

TEST(ParseXML, DefaultStartElementWritesATraceLine)
{
    CParseXML tracer;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(tracer.ParseFile(WriteTempFile("trace.xml", "<Root><a b=\"1\" c=\"x y\"/><d/></Root>"), 32768));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Root\n  a b='1' c='x y'\n  d\n");
}

TEST(ParseXML, AttributeReaders)
{
    const char* attributes[] = {"X", "2.5", "Name", "Box", "Word", "abc", "Lead", "3.5e1xyz", "X", "9", nullptr};
    const char* none[] = {nullptr};
    EXPECT_EQ(CParseXML::GetAttributeString(attributes, "Name", "none"), "Box");
    EXPECT_EQ(CParseXML::GetAttributeString(attributes, "name", "none"), "none"); // names are case-sensitive
    EXPECT_EQ(CParseXML::GetAttributeString(attributes, "X", ""), "2.5");        // the first one counts
    EXPECT_EQ(CParseXML::GetAttributeString(none, "Name", "default"), "default");
    const std::pair<const char*, float> floats[] = {
        {"X", 2.5f}, {"x", 7.0f}, {"Word", 0.0f}, {"Lead", 35.0f}, {"Missing", 7.0f}}; // atof stops at a non-digit
    for (const auto& [name, value] : floats)
    {
        EXPECT_EQ(CParseXML::GetAttributeFloat(attributes, name, 7.0f), value) << name;
    }
    EXPECT_EQ(CParseXML::GetAttributeFloat(none, "X", 4.0f), 4.0f);
}

} // namespace
} // namespace gen
