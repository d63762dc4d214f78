#pragma once
// Reads a level file and creates its templates and entities through the
// entity manager while the file is parsed.
//
//   <Level>
//     <Templates>
//       <EntityTemplate Type="Planet" Name="Moon" Mesh="Moon.x"/>
//     </Templates>
//     <Entities>
//       <Entity Type="Moon" Name="Moon1">
//         <Position X="0" Y="10" Z="0"/> <Rotation X="90"/> <Scale X="2" Y="2" Z="2"/>
//         <Spin Speed="0.5"/> <Randomise X="10" Y="0" Z="4"/>
//       </Entity>
//     </Entities>
//   </Level>
//
// Names are case-sensitive. The nesting is not checked: the reader reacts to
// the sequence of start and end tags, and every element acts on the pending
// entity values at the moment it is met. Rotations are in degrees unless
// Radians="true"; a Scale component left out is 0; Spin is radians per second
// and only matters for templates of type "Planet"; Randomise adds an offset
// in [-extent/2, extent/2] per axis, always drawing three random values.

#include "Data/CParseXML.h"
#include "Data/CRandom.h"
#include "Math/CVector.h"

#include <string>

namespace gen
{

class CEntityManager;

enum ELevelSection
{
    kNoSection = 0,
    kTemplatesSection = 1,
    kEntitiesSection = 2,
};

class CParseLevel : public CParseXML
{
public:
    explicit CParseLevel(CEntityManager* manager);
    ~CParseLevel() override;

    ELevelSection GetSection() const { return Section; }

protected:
    void StartElement(const std::string& elementName, const char** attributes) override;
    void EndElement(const std::string& elementName) override;

private:
    void TemplatesStartElement(const std::string& elementName, const char** attributes);
    void TemplatesEndElement(const std::string& elementName);
    void EntitiesStartElement(const std::string& elementName, const char** attributes);
    void EntitiesEndElement(const std::string& elementName);

    CEntityManager* Manager;
    ELevelSection Section;

    std::string TemplateType;
    std::string TemplateName;
    std::string MeshFile;

    std::string EntityTemplateName;
    std::string EntityName;
    CVector3 Position;
    CVector3 Rotation; // radians
    CVector3 Scale;
    float SpinSpeed;

    CRandom Random;
};

} // namespace gen
