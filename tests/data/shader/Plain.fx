// A filter written as an effect file without techniques: main is its pixel shader.
sampler2D s0 : register(s0);
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(s0, uv).bgra;
}
