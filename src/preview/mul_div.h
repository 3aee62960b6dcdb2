// Multiply then divide with a 64-bit product, rounding the quotient to the
// nearest whole number, halves away from zero. -1 when dividing by zero or when
// the result does not fit, as the Windows function of the same name does.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace tevarro {

constexpr std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t absProduct = product < 0 ? -product : product;
    const std::int64_t absDivisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t quotient = (absProduct + absDivisor / 2) / absDivisor;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t result = negative ? -quotient : quotient;
    if (result > std::numeric_limits<std::int32_t>::max()
        || result < std::numeric_limits<std::int32_t>::min())
        return -1;
    return static_cast<std::int32_t>(result);
}

// The seek bar's fixed scale: 0 is the start of a row, kBarScale its end.
inline constexpr std::int32_t kBarScale = 10000;

}  // namespace tevarro
