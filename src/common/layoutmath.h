#pragma once

// Layout measures as whole numbers (pixels or native units). Sizes come from
// report files and may be absurd; held within +-LayoutLimit, the sums that
// layout code forms of a few of them stay inside an int, and products go
// through LayoutProduct, so that no value read from a file overflows.

#include <QtGlobal>

constexpr int LayoutLimit = 1 << 24;
// value rounded and held within +-LayoutLimit; NaN gives 0.
int LayoutInt(double value);
// a * b held within +-LayoutLimit.
int LayoutProduct(qint64 a, qint64 b);
// value held within +-LayoutLimit.
int LayoutClamp(qint64 value);
