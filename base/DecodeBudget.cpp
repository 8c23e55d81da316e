#include "base/DecodeBudget.h"

bool FitsDecodeBudget(int64_t nWidth, int64_t nHeight, int64_t nBytesPerPixel, std::string* pReason) {
  const std::string size = std::to_string(nWidth) + " x " + std::to_string(nHeight) + " pixels";
  if (nWidth <= 0 || nHeight <= 0) {
    if (pReason) *pReason = "the picture size " + size + " is not possible";
    return false;
  }
  if (nWidth > kDecodeSideBudget || nHeight > kDecodeSideBudget) {
    if (pReason) *pReason = size + " is more than the limit of " + std::to_string(kDecodeSideBudget) + " pixels a side";
    return false;
  }
  if (nWidth * nHeight > kDecodePixelBudget) {
    if (pReason) *pReason = size + " is more than the limit of " + std::to_string(kDecodePixelBudget / 1000000) + " megapixels";
    return false;
  }
  if (nBytesPerPixel > 0 && nWidth * nHeight * nBytesPerPixel > kDecodeByteBudget) {
    if (pReason) *pReason = size + " needs more than the " + std::to_string(kDecodeByteBudget >> 20) + " MiB a picture may use";
    return false;
  }
  return true;
}

std::string DecodeBudgetText() {
  return "pictures up to " + std::to_string(kDecodePixelBudget / 1000000) + " megapixels and " +
         std::to_string(kDecodeSideBudget) + " pixels a side (" + std::to_string(kDecodeByteBudget >> 20) +
         " MiB of pixel data)";
}
