// Passes world position and world normal on for lighting in the pixel shader.

float4x4 WorldMatrix;
float4x4 ViewProjMatrix;

struct VS_INPUT
{
    float3 Position : POSITION;
    float3 Normal   : NORMAL;
    float2 UV       : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Position      : SV_Position;
    float3 WorldPosition : TEXCOORD0;
    float3 WorldNormal   : TEXCOORD1;
};

VS_OUTPUT main(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 worldPos = mul(float4(In.Position, 1.0f), WorldMatrix);
    Out.Position = mul(worldPos, ViewProjMatrix);
    Out.WorldPosition = worldPos.xyz;
    Out.WorldNormal = mul(In.Normal, (float3x3)WorldMatrix);
    return Out;
}
