// sampler_state blocks into the device's sampler states (EffectSamplerStates.h).

#include "Platform/EffectSamplerStates.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace gen
{

namespace
{

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The value's word in lower case, without D3D's enum prefix or blanks.
std::string ValueWord(const std::string& value, const char* prefix)
{
    std::string word = Lower(value);
    word.erase(std::remove_if(word.begin(), word.end(), [](unsigned char c) { return std::isspace(c); }), word.end());
    const std::string lowerPrefix = Lower(prefix);
    if (word.compare(0, lowerPrefix.size(), lowerPrefix) == 0)
    {
        word.erase(0, lowerPrefix.size());
    }
    return word;
}

bool IsNumber(const std::string& word)
{
    return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
}

// D3DTEXTUREFILTERTYPE by name or number; false when it is neither.
bool FilterValue(const std::string& value, std::uint32_t& filter)
{
    const std::string word = ValueWord(value, "D3DTEXF_");
    const int number = IsNumber(word) ? std::atoi(word.c_str()) : -1;
    if (word == "none" || number == 0)
    {
        filter = kFilterNone;
    }
    else if (word == "point" || number == 1)
    {
        filter = kFilterPoint;
    }
    else if (word == "linear" || word == "anisotropic" || word == "pyramidalquad" || word == "gaussianquad" ||
             (number >= 2 && number <= 7))
    {
        filter = kFilterLinear;
    }
    else
    {
        return false;
    }
    return true;
}

// D3DTEXTUREADDRESS by name or number; false when it is neither.
bool AddressValue(const std::string& value, std::uint32_t& address)
{
    const std::string word = ValueWord(value, "D3DTADDRESS_");
    const int number = IsNumber(word) ? std::atoi(word.c_str()) : -1;
    if (word == "wrap" || number == 1)
    {
        address = kAddressWrap;
    }
    else if (word == "mirror" || word == "mirroronce" || number == 2 || number == 5)
    {
        address = kAddressMirror;
    }
    else if (word == "clamp" || word == "border" || number == 3 || number == 4)
    {
        address = kAddressClamp;
    }
    else
    {
        return false;
    }
    return true;
}

} // namespace

std::vector<SSamplerStateValue> DeviceSamplerStates(const SEffectSampler& sampler)
{
    std::vector<SSamplerStateValue> states;
    for (const SEffectState& state : sampler.States)
    {
        const std::string name = Lower(state.Name);
        std::uint32_t value = 0;
        if ((name == "addressu" || name == "addressv") && AddressValue(state.Value, value))
        {
            states.push_back({name == "addressu" ? kSampAddressU : kSampAddressV, value});
        }
        else if ((name == "magfilter" || name == "minfilter" || name == "mipfilter") && FilterValue(state.Value, value))
        {
            states.push_back({name == "magfilter" ? kSampMagFilter : name == "minfilter" ? kSampMinFilter
                                                                                           : kSampMipFilter,
                              value});
        }
    }
    return states;
}

} // namespace gen
