// Oracles that compare pictures: colour by colour, or as top-down RGB bytes within a tolerance
// (what lossy formats and movie decoders give back).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class CPicture;

// Every pixel of two equally large pictures has the same colour (alpha ignored); the first
// pixel that differs is named.
::testing::AssertionResult SamePixels(const CPicture& a, const CPicture& b);

// Mean absolute difference of two equally long byte arrays (a huge value when they differ
// in length or are empty).
double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// A 24-bit picture's pixels as top-down red-green-blue rows, packed (the picture keeps
// bottom-up blue-green-red rows).
std::vector<uint8_t> TopDownRgb(const CPicture& picture);
