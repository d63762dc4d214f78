#pragma once
// An effect's sampler_state block as the device's sampler states: what a
// user of effects passes to CDevice::SetSamplerState for the sampler's
// stage. Display-free, so that tessavin-shader and the tests see the same.

#include "Platform/CDevice.h"
#include "Platform/EffectFile.h"

#include <cstdint>
#include <vector>

namespace gen
{

struct SSamplerStateValue
{
    ESamplerState State;
    std::uint32_t Value;
};

// The states of sampler that the device has, in the order written (a later
// one overrides an earlier one when set in order). Filters the device lacks
// (Anisotropic, PyramidalQuad, GaussianQuad) become Linear, Border becomes
// Clamp and MirrorOnce Mirror, the nearest it has; other states
// (AddressW, BorderColor, MaxAnisotropy, SRGBTexture, ...) and values it
// cannot read are left out.
std::vector<SSamplerStateValue> DeviceSamplerStates(const SEffectSampler& sampler);

} // namespace gen
