// The decode budget's check, shared by every picture reader (the limits are in base/Limits.h).
#pragma once

#include <cstdint>
#include <string>

#include "base/Limits.h"
#include "base/Result.h"

// Success when a width x height picture at nBytesPerPixel (0: not counted) fits the budget.
// Otherwise a failure whose text is `what`, ": " and the reason ("12000 x 15000 pixels is more
// than the limit of 160 megapixels"), of kind TooLarge, or InvalidInput for a size no picture
// can have.
Result CheckDecodeBudget(const std::string& what, int64_t nWidth, int64_t nHeight, int64_t nBytesPerPixel);

// The limits in words, for --help and messages.
std::string DecodeBudgetText();
