// Tangent-space set-up for cut glass, plus the clip-space position so that the pixel shader can find the scene behind.
// Light vectors are formed here in world space (they interpolate exactly for point
// lights); the view vector is also given in tangent space for parallax offsets.
// Tangent-space axes: x along the tangent (increasing u), y along cross(normal, tangent)
// (increasing v), z along the normal.

float4x4 WorldMatrix;
float4x4 ViewProjMatrix;
float3   Light1Position;
float3   Light2Position;
float3   CameraPosition;

struct VS_INPUT
{
    float3 Position : POSITION;
    float3 Normal   : NORMAL;
    float3 Tangent  : TANGENT;
    float2 UV       : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Position      : SV_Position;
    float2 UV            : TEXCOORD0;
    float3 WorldPosition : TEXCOORD1;
    float3 ModelNormal   : TEXCOORD2;
    float3 ModelTangent  : TEXCOORD3;
    float3 ToLight1      : TEXCOORD4;
    float3 ToLight2      : TEXCOORD5;
    float3 ViewTangent   : TEXCOORD6;
    float4 ClipPosition  : TEXCOORD7;
};

VS_OUTPUT main(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 worldPos = mul(float4(In.Position, 1.0f), WorldMatrix);
    Out.Position = mul(worldPos, ViewProjMatrix);
    Out.UV = In.UV;
    Out.WorldPosition = worldPos.xyz;
    Out.ModelNormal = In.Normal;
    Out.ModelTangent = In.Tangent;
    Out.ToLight1 = Light1Position - worldPos.xyz;
    Out.ToLight2 = Light2Position - worldPos.xyz;

    float3 normal = normalize(mul(In.Normal, (float3x3)WorldMatrix));
    float3 tangent = mul(In.Tangent, (float3x3)WorldMatrix);
    tangent = normalize(tangent - normal * dot(normal, tangent) + 1e-6f);
    float3 bitangent = cross(normal, tangent);
    float3 toCamera = CameraPosition - worldPos.xyz;
    Out.ViewTangent = float3(dot(toCamera, tangent), dot(toCamera, bitangent), dot(toCamera, normal));
    Out.ClipPosition = Out.Position;
    return Out;
}
