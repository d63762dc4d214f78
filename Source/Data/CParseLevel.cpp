#include "Data/CParseLevel.h"

#include "Entities/CEntityManager.h"

namespace gen
{

namespace
{
// Degrees become radians with the single-precision pi, the product and
// quotient formed in double precision.
constexpr float kPi = 3.14159274f;

float AngleAttribute(const char** attributes, const char* name, bool inRadians)
{
    const float value = CParseXML::GetAttributeFloat(attributes, name, 0.0f);
    if (inRadians)
    {
        return value;
    }
    return static_cast<float>(static_cast<double>(value) * static_cast<double>(kPi) / 180.0);
}
} // namespace

CParseLevel::CParseLevel(CEntityManager* manager)
    : Manager(manager), Section(kNoSection), Position(kZero), Rotation(kZero), Scale(kOne), SpinSpeed(0.0f)
{
}

CParseLevel::~CParseLevel() = default;

void CParseLevel::StartElement(const std::string& elementName, const char** attributes)
{
    if (elementName == "Templates")
    {
        Section = kTemplatesSection;
    }
    else if (elementName == "Entities")
    {
        Section = kEntitiesSection;
    }

    if (Section == kTemplatesSection)
    {
        TemplatesStartElement(elementName, attributes);
    }
    else if (Section == kEntitiesSection)
    {
        EntitiesStartElement(elementName, attributes);
    }
}

void CParseLevel::EndElement(const std::string& elementName)
{
    if (elementName == "Templates" || elementName == "Entities")
    {
        Section = kNoSection;
    }

    if (Section == kTemplatesSection)
    {
        TemplatesEndElement(elementName);
    }
    else if (Section == kEntitiesSection)
    {
        EntitiesEndElement(elementName);
    }
}

void CParseLevel::TemplatesStartElement(const std::string& elementName, const char** attributes)
{
    if (elementName == "EntityTemplate")
    {
        TemplateType = GetAttributeString(attributes, "Type", "");
        TemplateName = GetAttributeString(attributes, "Name", "");
        MeshFile = GetAttributeString(attributes, "Mesh", "");
    }
}

void CParseLevel::TemplatesEndElement(const std::string& elementName)
{
    if (elementName == "EntityTemplate" && Manager)
    {
        Manager->CreateTemplate(TemplateType, TemplateName, MeshFile);
    }
}

void CParseLevel::EntitiesStartElement(const std::string& elementName, const char** attributes)
{
    if (elementName == "Entity")
    {
        EntityTemplateName = GetAttributeString(attributes, "Type", "");
        EntityName = GetAttributeString(attributes, "Name", "");
        Position = kZero;
        Rotation = kZero;
        Scale = kOne;
        SpinSpeed = 0.0f;
    }
    else if (elementName == "Position")
    {
        Position.x = GetAttributeFloat(attributes, "X", 0.0f);
        Position.y = GetAttributeFloat(attributes, "Y", 0.0f);
        Position.z = GetAttributeFloat(attributes, "Z", 0.0f);
    }
    else if (elementName == "Rotation")
    {
        const bool inRadians = GetAttributeString(attributes, "Radians", "") == "true";
        Rotation.x = AngleAttribute(attributes, "X", inRadians);
        Rotation.y = AngleAttribute(attributes, "Y", inRadians);
        Rotation.z = AngleAttribute(attributes, "Z", inRadians);
    }
    else if (elementName == "Scale")
    {
        Scale.x = GetAttributeFloat(attributes, "X", 0.0f);
        Scale.y = GetAttributeFloat(attributes, "Y", 0.0f);
        Scale.z = GetAttributeFloat(attributes, "Z", 0.0f);
    }
    else if (elementName == "Spin")
    {
        SpinSpeed = GetAttributeFloat(attributes, "Speed", 0.0f);
    }
    else if (elementName == "Randomise")
    {
        const float hx = GetAttributeFloat(attributes, "X", 0.0f) * 0.5f;
        const float hy = GetAttributeFloat(attributes, "Y", 0.0f) * 0.5f;
        const float hz = GetAttributeFloat(attributes, "Z", 0.0f) * 0.5f;
        Position.x += Random.Random(-hx, hx);
        Position.y += Random.Random(-hy, hy);
        Position.z += Random.Random(-hz, hz);
    }
}

void CParseLevel::EntitiesEndElement(const std::string& elementName)
{
    if (elementName != "Entity" || !Manager)
    {
        return;
    }
    // The manager refuses (and reports) an entity whose template is missing.
    const CEntityTemplate* entityTemplate = Manager->GetTemplate(EntityTemplateName);
    if (entityTemplate && entityTemplate->GetType() == "Planet")
    {
        Manager->CreatePlanet(EntityTemplateName, EntityName, SpinSpeed, Position, Rotation, Scale);
    }
    else
    {
        Manager->CreateEntity(EntityTemplateName, EntityName, Position, Rotation, Scale);
    }
}

} // namespace gen
