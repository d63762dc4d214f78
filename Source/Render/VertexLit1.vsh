// Per-vertex lighting from one point light (untextured).
// The light's strength falls off with the inverse of its distance.

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
    float4 Specular : COLOR1;
};

VS_OUTPUT main(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 worldPos = mul(float4(In.Position, 1.0f), WorldMatrix);
    Out.Position = mul(worldPos, ViewProjMatrix);

    float3 normal = normalize(mul(In.Normal, (float3x3)WorldMatrix));
    float3 toLight = LightPosition - worldPos.xyz;
    float  dist = max(length(toLight), 0.001f);
    toLight /= dist;
    float3 toCamera = normalize(CameraPosition - worldPos.xyz);
    float3 light = LightColour * (LightBrightness / dist);

    float  nDotL = saturate(dot(normal, toLight));
    float3 halfway = normalize(toLight + toCamera);
    float  spec = (nDotL > 0.0f) ? pow(saturate(dot(normal, halfway)), max(SpecularPower, 1.0f)) : 0.0f;

    Out.Diffuse = float4(MaterialColour * (AmbientLight + light * nDotL), 1.0f);
    Out.Specular = float4(SpecularStrength * light * spec, 0.0f);
    return Out;
}
