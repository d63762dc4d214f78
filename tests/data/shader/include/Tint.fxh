float3 Tint(float3 c, float amount)
{
    return lerp(c, c * float3(1, 0.8, 0.6), amount);
}
