// The decode budget's check, shared by every picture reader (the limits are in base/Limits.h).
#pragma once

#include <cstdint>
#include <string>

#include "base/Limits.h"

// True when a width x height picture at nBytesPerPixel fits the budget; otherwise false
// with the reason ("12000 x 15000 pixels is more than the 160-megapixel limit").
bool FitsDecodeBudget(int64_t nWidth, int64_t nHeight, int64_t nBytesPerPixel, std::string* pReason = nullptr);

// The limits in words, for --help and messages.
std::string DecodeBudgetText();
