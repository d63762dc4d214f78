// An effect file as XNA-era tutorials wrote them: an include, a texture
// object, a sampler with states, an annotated default and one technique of
// two passes, the second with a uniform argument.
#include "include/Tint.fxh"

float Amount < string UIName = "Amount"; > = 0.5;
texture Scene;
sampler Image : register(s0) = sampler_state
{
    Texture = <Scene>;
    AddressU = Clamp;
};

float4 Tinted(float2 uv : TEXCOORD0, uniform bool invert) : COLOR0
{
    float4 c = float4(Tint(tex2D(Image, uv).rgb, Amount), 1);
    return invert ? 1 - c : c;
}

technique Main
{
    pass Plain { PixelShader = compile ps_2_0 Tinted(false); }
    pass Inverted { PixelShader = compile ps_2_0 Tinted(true); }
}
