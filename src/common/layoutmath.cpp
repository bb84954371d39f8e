#include "layoutmath.h"

#include <algorithm>
#include <cmath>

int LayoutInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= LayoutLimit)
        return LayoutLimit;
    if (value <= -LayoutLimit)
        return -LayoutLimit;
    return int(std::lround(value));
}

int LayoutClamp(qint64 value)
{
    return int(std::clamp<qint64>(value, -LayoutLimit, LayoutLimit));
}

int LayoutProduct(qint64 a, qint64 b)
{
    // Both factors are held first, so the 64-bit product cannot overflow.
    return LayoutClamp(qint64(LayoutClamp(a)) * LayoutClamp(b));
}
