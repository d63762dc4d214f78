// Atmosphere shell, drawn from its back faces: colour and strength from light 1 per
// vertex; the rim fade is done per pixel from the normal and view direction.

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
    float4 Position    : SV_Position;
    float4 Diffuse     : COLOR0;
    float3 WorldNormal : TEXCOORD0;
    float3 ToCamera    : TEXCOORD1;
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
    // Seen from behind, the far side of the shell glows where the near side is lit,
    // so the lighting wraps well past the terminator.
    float  wrap = saturate((dot(normal, toLight / dist) + 0.5f) / 1.5f);

    Out.Diffuse = float4(MaterialColour * (AmbientLight + light * wrap), saturate(0.2f + wrap));
    Out.WorldNormal = normal;
    Out.ToCamera = CameraPosition - worldPos.xyz;
    return Out;
}
