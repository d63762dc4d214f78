#include "Data/CParseLevel.h"

#include "Entities/CEntityManager.h"
#include "Render/CMesh.h"
#include "TempFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace gen
{
namespace
{

// Parses a level document into a fresh manager. The templates' meshes do
// not exist, so every entity has just its root node.
class ParseLevel : public testing::Test
{
protected:
    bool Parse(const std::string& document, std::size_t bufferSize = 32768)
    {
        const std::string path =
            WriteTempFile(std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + ".xml",
                          document);
        return Level.ParseFile(path, bufferSize);
    }

    static std::string WithTemplates(const std::string& entities)
    {
        return "<Level><Templates>"
               "<EntityTemplate Type=\"Planet\" Name=\"Moon\" Mesh=\"NoMoon.x\"/>"
               "<EntityTemplate Type=\"Block\" Name=\"Box\" Mesh=\"NoBox.x\"/>"
               "</Templates><Entities>" +
               entities + "</Entities></Level>";
    }

    const CEntity& Entity(std::uint32_t position) const { return *Manager.GetEntityAt(position); }

    static CMatrix4x4 Placement(const CVector3& position, const CVector3& rotation, const CVector3& scale)
    {
        CMatrix4x4 m = CMatrix4x4::kIdentity;
        m.MakeAffineEuler(position, rotation, kZXY, scale);
        return m;
    }

    CEntityManager Manager{kNoMeshDevice};
    CParseLevel Level{&Manager};
};

TEST_F(ParseLevel, TemplatesAndEntitiesAreCreatedInDocumentOrder)
{
    ASSERT_TRUE(Parse(WithTemplates("<Entity Type=\"Moon\" Name=\"Moon1\"><Spin Speed=\"0.5\"/></Entity>"
                                    "<Entity Type=\"Box\" Name=\"Box1\"><Spin Speed=\"2\"/></Entity>"
                                    "<Entity Type=\"Box\" Name=\"Box2\"/>")));
    ASSERT_EQ(Manager.GetNumTemplates(), 2u);
    ASSERT_NE(Manager.GetTemplate("Moon"), nullptr);
    EXPECT_EQ(Manager.GetTemplate("Moon")->GetType(), "Planet");
    EXPECT_EQ(Manager.GetTemplate("Box")->GetType(), "Block");

    ASSERT_EQ(Manager.GetNumEntities(), 3u);
    const auto* moon = dynamic_cast<const CPlanetEntity*>(&Entity(0));
    ASSERT_NE(moon, nullptr);
    EXPECT_EQ(moon->GetUID(), 0u);
    EXPECT_EQ(moon->GetName(), "Moon1");
    EXPECT_EQ(moon->GetSpinSpeed(), 0.5f);
    EXPECT_EQ(moon->GetTemplate(), Manager.GetTemplate("Moon"));

    // Spin on a template that is not a planet gives a plain entity.
    EXPECT_EQ(dynamic_cast<const CPlanetEntity*>(&Entity(1)), nullptr);
    EXPECT_EQ(Entity(1).GetName(), "Box1");
    EXPECT_EQ(Entity(2).GetUID(), 2u);
    // An entity with no children gets the default placement.
    EXPECT_EQ(Entity(2).Matrix(), CMatrix4x4::kIdentity);
}

TEST_F(ParseLevel, PlacementElements)
{
    ASSERT_TRUE(Parse(WithTemplates(
        "<Entity Type=\"Box\" Name=\"A\"><Position X=\"1\" Y=\"-2\" Z=\"3.5\"/>"
        "<Rotation X=\"90\"/><Scale X=\"2\" Y=\"3\" Z=\"4\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"B\"><Rotation X=\"1.5\" Y=\"0.25\" Radians=\"true\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"C\"><Rotation X=\"1.5\" Radians=\"True\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"D\"><Scale X=\"2\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"E\"><Position X=\"abc\" Y=\"4\"/></Entity>")));
    ASSERT_EQ(Manager.GetNumEntities(), 5u);
    // 90 degrees with the single-precision pi, formed in double precision.
    EXPECT_EQ(Entity(0).Matrix(), Placement({1, -2, 3.5f}, {1.57079637f, 0, 0}, {2, 3, 4}));
    EXPECT_EQ(Entity(1).Matrix(), Placement(kZero, {1.5f, 0.25f, 0}, kOne));
    // Only "true" exactly means radians.
    EXPECT_EQ(Entity(2).Matrix(), Placement(kZero, {0.0261799395f, 0, 0}, kOne));
    // A scale component left out is 0, not 1.
    EXPECT_EQ(Entity(3).Matrix(), Placement(kZero, kZero, {2, 0, 0}));
    EXPECT_EQ(Entity(4).Matrix().GetPosition(), CVector3(0, 4, 0));
}

TEST_F(ParseLevel, RandomiseJittersThePendingPositionInOrder)
{
    // The generator starts from state 1: 41, 18467, 6334, 26500, 19169, 15724,
    // 11478, ...; each Randomise draws three values even for a zero extent.
    ASSERT_TRUE(Parse(WithTemplates(
        "<Entity Type=\"Box\" Name=\"A\"><Position X=\"1\" Y=\"2\" Z=\"3\"/><Randomise X=\"10\" Y=\"4\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"B\"><Randomise X=\"2\" Y=\"2\" Z=\"2\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"C\"><Randomise X=\"2\" Y=\"2\" Z=\"2\"/><Position X=\"7\"/></Entity>"
        "<Entity Type=\"Box\" Name=\"D\"><Randomise X=\"2\"/><Randomise X=\"2\"/></Entity>")));
    ASSERT_EQ(Manager.GetNumEntities(), 4u);
    EXPECT_EQ(Entity(0).Matrix().GetPosition(), CVector3(-3.98748732f, 2.25434113f, 3.0f));
    EXPECT_EQ(Entity(1).Matrix().GetPosition(), CVector3(0.617480993f, 0.170018613f, -0.0402539149f));
    // Overwritten by the Position that follows (values 11478, 29358, 26962 used up).
    EXPECT_EQ(Entity(2).Matrix().GetPosition(), CVector3(7, 0, 0));
    // Two offsets add up: x takes the 10th and the 13th value (24464, 23281).
    const float first = static_cast<float>(-1.0 + 24464.0 / 32767.0 * 2.0);
    const float second = static_cast<float>(-1.0 + 23281.0 / 32767.0 * 2.0);
    EXPECT_EQ(Entity(3).Matrix().GetPosition(), CVector3(first + second, 0, 0));
}

TEST_F(ParseLevel, ElementsCountOnlyInTheirSection)
{
    ASSERT_TRUE(Parse(
        "<Level>"
        "<EntityTemplate Type=\"T\" Name=\"Outside\" Mesh=\"x.x\"/>"
        "<Templates><EntityTemplate Type=\"T\" Name=\"Box\" Mesh=\"x.x\"/>"
        "<Entity Type=\"Box\" Name=\"InTemplates\"/></Templates>"
        "<Entity Type=\"Box\" Name=\"Outside\"/>"
        "<Entities><EntityTemplate Type=\"T\" Name=\"InEntities\" Mesh=\"x.x\"/>"
        "<Entity Type=\"Box\" Name=\"Inside\"/></Entities>"
        "<Unknown><Entity Type=\"Box\" Name=\"StillOutside\"/></Unknown>"
        "</Level>"));
    EXPECT_EQ(Manager.GetNumTemplates(), 1u);
    EXPECT_NE(Manager.GetTemplate("Box"), nullptr);
    ASSERT_EQ(Manager.GetNumEntities(), 1u);
    EXPECT_EQ(Entity(0).GetName(), "Inside");
}

TEST_F(ParseLevel, NestingIsNotChecked)
{
    // Sections are entered by start tags from any state and left by either
    // section's end tag; placement elements act wherever they occur in the
    // entities section, and unknown elements change nothing.
    ASSERT_TRUE(Parse(
        "<Level><Templates><EntityTemplate Type=\"T\" Name=\"Box\" Mesh=\"x.x\"/></Templates>"
        "<Entities>"
        "<Group><Entity Type=\"Box\" Name=\"Grouped\"><Wrapper><Position X=\"5\"/></Wrapper></Entity></Group>"
        // Placement outside an entity is reset by the next Entity start tag.
        "<Position X=\"9\"/>"
        "<Entity Type=\"Box\" Name=\"Outer\"><Entity Type=\"Box\" Name=\"Inner\"><Position Y=\"1\"/></Entity>"
        "</Entity>"
        // A Templates end tag inside Entities leaves the section.
        "<Entity Type=\"Box\" Name=\"Cut\"><Templates/></Entity>"
        "</Entities>"
        "<Entity Type=\"Box\" Name=\"After\"/>"
        "</Level>"));
    ASSERT_EQ(Manager.GetNumEntities(), 3u);
    EXPECT_EQ(Entity(0).GetName(), "Grouped");
    EXPECT_EQ(Entity(0).Matrix().GetPosition(), CVector3(5, 0, 0));
    // The inner start tag replaced the outer's pending values; both end tags
    // then create an entity from them.
    EXPECT_EQ(Entity(1).GetName(), "Inner");
    EXPECT_EQ(Entity(2).GetName(), "Inner");
    EXPECT_EQ(Entity(2).Matrix().GetPosition(), CVector3(0, 1, 0));
    EXPECT_EQ(Level.GetSection(), kNoSection);
}

TEST_F(ParseLevel, SyntaxErrorKeepsWhatWasCreatedBeforeIt)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Parse(WithTemplates("<Entity Type=\"Box\" Name=\"A\"/>\n"
                                     "<Entity Type=\"Box\" Name=\"B\"></Entity>\n"
                                     "<Entity Type=\"Box\" Name=\"C\"><Position></Entity>\n"
                                     "<Entity Type=\"Box\" Name=\"D\"/>")));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Parse error at line: 3 : mismatched tag\n");
    ASSERT_EQ(Manager.GetNumEntities(), 2u);
    EXPECT_EQ(Entity(1).GetName(), "B");
    EXPECT_EQ(Manager.GetNumTemplates(), 2u);
}

TEST_F(ParseLevel, EntityOfAMissingTemplateIsSkipped)
{
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Parse(WithTemplates("<Entity Type=\"Nothing\" Name=\"Lost\"/><Entity Name=\"NoType\"/>"
                                    "<Entity Type=\"Box\" Name=\"Kept\"/>")));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("\"Nothing\""), std::string::npos) << errors;
    ASSERT_EQ(Manager.GetNumEntities(), 1u);
    EXPECT_EQ(Entity(0).GetName(), "Kept");
    EXPECT_EQ(Entity(0).GetUID(), 0u); // refused entities use up no UID
}

TEST_F(ParseLevel, TemplateDefaultsAndLaterDefinitions)
{
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Parse("<L><Entities><Entity Type=\"Late\" Name=\"TooEarly\"/></Entities>"
                      "<Templates><EntityTemplate/><EntityTemplate Type=\"Planet\" Name=\"Late\"/></Templates>"
                      "<Entities><Entity Type=\"Late\" Name=\"InTime\"/><Entity Type=\"\" Name=\"Blank\"/>"
                      "</Entities></L>"));
    testing::internal::GetCapturedStderr();
    // The attribute-less template is indexed under the empty name.
    EXPECT_EQ(Manager.GetNumTemplates(), 2u);
    ASSERT_NE(Manager.GetTemplate(""), nullptr);
    EXPECT_EQ(Manager.GetTemplate("")->GetType(), "");
    ASSERT_EQ(Manager.GetNumEntities(), 2u);
    EXPECT_NE(dynamic_cast<const CPlanetEntity*>(&Entity(0)), nullptr);
    EXPECT_EQ(Entity(0).GetName(), "InTime");
    EXPECT_EQ(Entity(1).GetName(), "Blank");
}

TEST_F(ParseLevel, MissingFileCreatesNothing)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Level.ParseFile("no/such/Entities.xml", 32768));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Manager.GetNumTemplates(), 0u);
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
}

TEST(ShippedLevel, LoadsCompletelyWithEveryMeshAndTheNamedEntities)
{
    const char* const levelFile = "Entities.xml";
    if (std::FILE* file = std::fopen(levelFile, "rb"))
    {
        std::fclose(file);
    }
    else
    {
        GTEST_SKIP() << levelFile << " has not been generated";
    }
    CEntityManager manager(kNoMeshDevice);
    CParseLevel level(&manager);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool parsed = level.ParseFile(levelFile, 32768);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ""); // no missing templates, no mesh messages
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(parsed);
    for (const CEntityTemplate* entityTemplate : manager.GetTemplates())
    {
        EXPECT_TRUE(entityTemplate->GetMesh()->IsLoaded()) << entityTemplate->GetName();
    }
    // The scene animates and decorates these by name.
    for (const char* name : {"Cubey", "PostProcessBlock", "Wall1"})
    {
        EXPECT_NE(manager.GetEntity(name), nullptr) << name;
    }
}

TEST(LevelCorpus, FuzzInputsParseWithoutFaults)
{
    // The level fuzzer's corpus, replayed the way the fuzz target reads it
    // (the first byte picks the buffer size), so that the sanitizer build
    // checks every input. Meshes the inputs name load from Media/.
    const std::filesystem::path folder = "tests/fuzz/corpus-level";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    int count = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder))
    {
        std::ifstream in(item.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.empty())
        {
            continue;
        }
        const unsigned char first = static_cast<unsigned char>(bytes[0]);
        const std::size_t bufferSize = first < 128 ? std::size_t(first) + 1 : 32768;
        const std::string path = WriteTempFile("corpus.xml", bytes.substr(1));
        CEntityManager manager(kNoMeshDevice);
        CParseLevel level(&manager);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        level.ParseFile(path, bufferSize);
        manager.UpdateAllEntities(0.5f);
        testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        ++count;
    }
    EXPECT_GT(count, 0);
}

} // namespace
} // namespace gen
