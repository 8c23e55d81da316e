// The decode budget: how large a picture any reader accepts, checked from the header before
// anything is allocated. Generous enough for real photographs (150-megapixel medium-format
// frames, 65535-pixel panoramas), small enough that a hostile header cannot make the process
// ask for gigabytes: the biggest picture costs about 480 MB at 24 bits (an RGBA texture of
// it 640 MB), which fits a 2 GB address-space limit with room for the program.
#pragma once

#include <cstdint>
#include <string>

// Pixels of one picture (width x height).
constexpr int64_t kDecodePixelBudget = 160'000'000;
// Longest side in pixels (the 16-bit fields of most formats hold no more).
constexpr int64_t kDecodeSideBudget = 65535;
// Bytes one decoder may hold for the pixels of one picture, its intermediate rows included.
constexpr int64_t kDecodeByteBudget = int64_t(640) << 20;

// True when a width x height picture at nBytesPerPixel fits the budget; otherwise false
// with the reason ("12000 x 15000 pixels is more than the 160-megapixel limit").
bool FitsDecodeBudget(int64_t nWidth, int64_t nHeight, int64_t nBytesPerPixel, std::string* pReason = nullptr);

// The limits in words, for --help and messages.
std::string DecodeBudgetText();
