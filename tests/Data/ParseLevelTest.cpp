// Level documents into an entity manager. The templates' meshes do not exist,
// so every entity has just its root node.
#include "Data/CParseLevel.h"

#include "Entities/CEntityManager.h"
#include "Mesh/CMesh.h"
#include "TempFile.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

class ParseLevel : public testing::Test
{
protected:
    bool Parse(const std::string& document)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool parsed = Level.ParseFile(WriteTempFile("level.xml", document), 32768);
        Output = testing::internal::GetCapturedStdout();
        Errors = testing::internal::GetCapturedStderr();
        return parsed;
    }

    static std::string WithTemplates(const std::string& entities)
    {
        return "<Level><Templates><EntityTemplate Type=\"Planet\" Name=\"Moon\" Mesh=\"NoMoon.x\"/>"
               "<EntityTemplate Type=\"Block\" Name=\"Box\" Mesh=\"NoBox.x\"/></Templates><Entities>" +
               entities + "</Entities></Level>";
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < Manager.GetNumEntities(); ++i)
        {
            names.push_back(Manager.GetEntityAt(i)->GetName());
        }
        return names;
    }

    const CEntity& Entity(std::uint32_t position) const { return *Manager.GetEntityAt(position); }

    static CMatrix4x4 Placement(const CVector3& position, const CVector3& rotation, const CVector3& scale)
    {
        CMatrix4x4 m;
        m.MakeAffineEuler(position, rotation, kZXY, scale);
        return m;
    }

    CEntityManager Manager{kNoMeshDevice};
    CParseLevel Level{&Manager};
    std::string Output, Errors;
};

TEST_F(ParseLevel, TemplatesAndEntitiesAreCreatedInDocumentOrder)
{
    ASSERT_TRUE(Parse(WithTemplates("<Entity Type=\"Moon\" Name=\"Moon1\"><Spin Speed=\"0.5\"/></Entity>"
                                    "<Entity Type=\"Box\" Name=\"Box1\"><Spin Speed=\"2\"/></Entity>"
                                    "<Entity Type=\"Box\" Name=\"Box2\"/>")));
    ASSERT_EQ(Manager.GetNumTemplates(), 2u);
    EXPECT_EQ(Manager.GetTemplate("Moon")->GetType(), "Planet");
    EXPECT_EQ(Manager.GetTemplate("Box")->GetType(), "Block");
    ASSERT_EQ(Names(), (std::vector<std::string>{"Moon1", "Box1", "Box2"}));
    const auto* moon = dynamic_cast<const CPlanetEntity*>(&Entity(0));
    ASSERT_NE(moon, nullptr);
    EXPECT_EQ(moon->GetUID(), 0u);
    EXPECT_EQ(moon->GetSpinSpeed(), 0.5f);
    EXPECT_EQ(moon->GetTemplate(), Manager.GetTemplate("Moon"));
    // Spin on a template that is not a planet gives a plain entity.
    EXPECT_EQ(dynamic_cast<const CPlanetEntity*>(&Entity(1)), nullptr);
    EXPECT_EQ(Entity(2).GetUID(), 2u);
    EXPECT_EQ(Entity(2).Matrix(), CMatrix4x4::kIdentity); // no children: the default placement
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
    EXPECT_EQ(Entity(2).Matrix(), Placement(kZero, {0.0261799395f, 0, 0}, kOne)); // only "true" means radians
    EXPECT_EQ(Entity(3).Matrix(), Placement(kZero, kZero, {2, 0, 0}));            // a missing component is 0
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

TEST_F(ParseLevel, ElementsCountOnlyInTheirSectionWhoseNestingIsNotChecked)
{
    // Sections are entered by start tags from any state and left by either
    // section's end tag; placement elements act wherever they occur in the
    // entities section, and unknown elements change nothing.
    ASSERT_TRUE(Parse(
        "<Level><EntityTemplate Type=\"T\" Name=\"Outside\" Mesh=\"x.x\"/>"
        "<Templates><EntityTemplate Type=\"T\" Name=\"Box\" Mesh=\"x.x\"/><Entity Type=\"Box\" Name=\"InT\"/>"
        "</Templates><Entity Type=\"Box\" Name=\"Outside\"/>"
        "<Entities><EntityTemplate Type=\"T\" Name=\"InEntities\" Mesh=\"x.x\"/>"
        "<Group><Entity Type=\"Box\" Name=\"Grouped\"><Wrapper><Position X=\"5\"/></Wrapper></Entity></Group>"
        "<Position X=\"9\"/>" // reset by the next Entity start tag
        "<Entity Type=\"Box\" Name=\"Outer\"><Entity Type=\"Box\" Name=\"Inner\"><Position Y=\"1\"/></Entity>"
        "</Entity>"
        "<Entity Type=\"Box\" Name=\"Cut\"><Templates/></Entity>" // a Templates end tag leaves the section
        "</Entities><Unknown><Entity Type=\"Box\" Name=\"StillOutside\"/></Unknown></Level>"));
    EXPECT_EQ(Manager.GetNumTemplates(), 1u);
    // The inner start tag replaced the outer's pending values; both end tags
    // then create an entity from them.
    ASSERT_EQ(Names(), (std::vector<std::string>{"Grouped", "Inner", "Inner"}));
    EXPECT_EQ(Entity(0).Matrix().GetPosition(), CVector3(5, 0, 0));
    EXPECT_EQ(Entity(2).Matrix().GetPosition(), CVector3(0, 1, 0));
    EXPECT_EQ(Level.GetSection(), kNoSection);
}

TEST_F(ParseLevel, BadDocumentsKeepWhatWasCreatedBeforeTheFault)
{
    EXPECT_FALSE(Parse(WithTemplates("<Entity Type=\"Box\" Name=\"A\"/>\n<Entity Type=\"Box\" Name=\"B\"></Entity>\n"
                                     "<Entity Type=\"Box\" Name=\"C\"><Position></Entity>\n"
                                     "<Entity Type=\"Box\" Name=\"D\"/>")));
    EXPECT_EQ(Output, "Parse error at line: 3 : mismatched tag\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Manager.GetNumTemplates(), 2u);

    testing::internal::CaptureStdout();
    EXPECT_FALSE(Level.ParseFile("no/such/Entities.xml", 32768));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(ParseLevel, EntitiesOfMissingTemplatesAreSkippedWithoutUsingAUID)
{
    ASSERT_TRUE(Parse("<L><Entities><Entity Type=\"Late\" Name=\"TooEarly\"/><Entity Name=\"NoType\"/></Entities>"
                      "<Templates><EntityTemplate/><EntityTemplate Type=\"Planet\" Name=\"Late\"/></Templates>"
                      "<Entities><Entity Type=\"Late\" Name=\"InTime\"/><Entity Type=\"\" Name=\"Blank\"/>"
                      "</Entities></L>"));
    EXPECT_NE(Errors.find("\"Late\""), std::string::npos) << Errors;
    // The attribute-less template is indexed under the empty name.
    EXPECT_EQ(Manager.GetNumTemplates(), 2u);
    EXPECT_EQ(Manager.GetTemplate("")->GetType(), "");
    ASSERT_EQ(Names(), (std::vector<std::string>{"InTime", "Blank"}));
    EXPECT_EQ(Entity(0).GetUID(), 0u);
    EXPECT_NE(dynamic_cast<const CPlanetEntity*>(&Entity(0)), nullptr);
}

} // namespace
} // namespace gen
