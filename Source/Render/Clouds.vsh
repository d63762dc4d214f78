// Cloud layer: diffuse lighting from light 1 per vertex.

float4x4 WorldMatrix;
float4x4 ViewProjMatrix;
float3   CameraPosition;
float3   AmbientLight;
float3   LightPosition;
float3   LightColour;
float    LightBrightness;
float3   MaterialColour;
float3   SpecularStrength;
float    SpecularPower;

struct VS_INPUT
{
    float3 Position : POSITION;
    float3 Normal   : NORMAL;
    float2 UV       : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Position : SV_Position;
    float4 Diffuse  : COLOR0;
    float2 UV       : TEXCOORD0;
};

VS_OUTPUT main(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 worldPos = mul(float4(In.Position, 1.0f), WorldMatrix);
    Out.Position = mul(worldPos, ViewProjMatrix);

    float3 normal = normalize(mul(In.Normal, (float3x3)WorldMatrix));
    float3 toLight = LightPosition - worldPos.xyz;
    float  dist = max(length(toLight), 0.001f);
    float3 light = LightColour * (LightBrightness / dist);
    // A little wrap-around so that clouds fade out past the terminator instead of cutting off.
    float  wrap = saturate((dot(normal, toLight / dist) + 0.15f) / 1.15f);

    Out.Diffuse = float4(MaterialColour * (AmbientLight * 0.6f + light * wrap), 1.0f);
    Out.UV = In.UV;
    return Out;
}
