#pragma once
// Arithmetic that reports failure instead of trapping: every step of the axis arithmetic has a
// fallback value, so NaN, infinities and out-of-range results must be caught, never thrown.

#include <cmath>
#include <cstdint>
#include <optional>

// Nearest integer, halves to even; nothing when not finite or outside 32 bits.
inline std::optional<int32_t> TryRoundToInt32(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return std::nullopt;
    return int32_t(rounded);
}

// Integer part toward zero; nothing when not finite or outside 32 bits.
inline std::optional<int32_t> TryTruncToInt32(double value)
{
    const double truncated = std::trunc(value);
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0))
        return std::nullopt;
    return int32_t(truncated);
}

// Remainder with the sign of the divisor: note classes of very low notes stay in 0..11.
inline int64_t FloorMod(int64_t value, int64_t divisor)
{
    const int64_t remainder = value % divisor;
    return remainder < 0 ? remainder + divisor : remainder;
}

inline int64_t FloorDiv(int64_t value, int64_t divisor)
{
    return (value - FloorMod(value, divisor)) / divisor;
}

// An int64 result squeezed into 32 bits.
inline int32_t SaturateToInt32(int64_t value)
{
    if (value < INT32_MIN)
        return INT32_MIN;
    if (value > INT32_MAX)
        return INT32_MAX;
    return int32_t(value);
}
