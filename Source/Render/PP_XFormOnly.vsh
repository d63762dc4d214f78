// Transform for polygons that read the rendered scene behind them: the clip-space
// position goes to the pixel shader, which turns it into scene texture coordinates.

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
    float4 Position     : SV_Position;
    float4 ClipPosition : TEXCOORD0;
    float2 UV           : TEXCOORD1;
};

VS_OUTPUT main(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 worldPos = mul(float4(In.Position, 1.0f), WorldMatrix);
    Out.Position = mul(worldPos, ViewProjMatrix);
    Out.ClipPosition = Out.Position;
    Out.UV = In.UV;
    return Out;
}
