#include "Platform/ConstantControl.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace gen
{

namespace
{

std::string Trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
    {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
    {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// "< string UIName = "Gain"; float UIMin = 0; >" as lower-case name to value
// (a string without its quotes). Entries that are not "type name = value"
// are passed over.
std::map<std::string, std::string> ReadAnnotations(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::string body = Trim(text);
    if (!body.empty() && body.front() == '<')
    {
        body.erase(0, 1);
    }
    if (!body.empty() && body.back() == '>')
    {
        body.pop_back();
    }
    std::size_t start = 0;
    while (start < body.size())
    {
        // A ';' inside a quoted string does not end the entry.
        std::size_t end = start;
        bool quoted = false;
        while (end < body.size() && (quoted || body[end] != ';'))
        {
            quoted = body[end] == '"' ? !quoted : quoted;
            ++end;
        }
        const std::string entry = body.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos)
        {
            continue;
        }
        const std::string declaration = Trim(entry.substr(0, equals));
        const std::size_t space = declaration.find_last_of(" \t");
        const std::string name = Lower(space == std::string::npos ? declaration : declaration.substr(space + 1));
        std::string value = Trim(entry.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        {
            value = value.substr(1, value.size() - 2);
        }
        values[name] = value;
    }
    return values;
}

bool ReadNumber(const std::map<std::string, std::string>& values, const char* name, float& number)
{
    const auto found = values.find(name);
    if (found == values.end())
    {
        return false;
    }
    char* end = nullptr;
    std::string text = found->second;
    if (!text.empty() && (text.back() == 'f' || text.back() == 'F'))
    {
        text.pop_back();
    }
    const float value = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0')
    {
        return false;
    }
    number = value;
    return true;
}

} // namespace

bool MakeConstantControl(const SShaderConstant& constant, SConstantControl& control)
{
    if (constant.Rows != 1 || constant.Elements != 1 || constant.Columns < 1 || constant.Columns > 4)
    {
        return false;
    }
    control = SConstantControl();
    control.Name = constant.Name;
    control.Components = constant.Columns;
    control.Integer = constant.IsInteger;
    control.Default = constant.Default;
    control.Default.resize(control.Components, constant.Default.size() == 1 ? constant.Default[0] : 0.0f);

    const std::map<std::string, std::string> values = ReadAnnotations(constant.Annotations);
    const auto label = values.find("uiname");
    control.Label = label != values.end() && !label->second.empty() ? label->second : constant.Name;
    const auto widget = values.find("uiwidget");
    const std::string widgetName = widget != values.end() ? Lower(widget->second) : "";
    const bool hasMin = ReadNumber(values, "uimin", control.Min);
    const bool hasMax = ReadNumber(values, "uimax", control.Max);
    if (!ReadNumber(values, "uistep", control.Step) || !(control.Step > 0.0f))
    {
        control.Step = control.Integer ? 1.0f : 0.01f;
    }
    if ((widgetName == "color" || widgetName == "colour") && control.Components >= 3 && !control.Integer)
    {
        control.Kind = kControlColour;
    }
    else if (hasMin && hasMax && control.Max > control.Min)
    {
        control.Kind = kControlSlider;
    }
    else
    {
        control.Kind = kControlDrag;
    }
    return true;
}

} // namespace gen
