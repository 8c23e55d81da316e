#include "base/DecodeBudget.h"

Result CheckDecodeBudget(const std::string& what, int64_t nWidth, int64_t nHeight, int64_t nBytesPerPixel) {
  const std::string size = std::to_string(nWidth) + " x " + std::to_string(nHeight) + " pixels";
  if (nWidth <= 0 || nHeight <= 0)
    return Result::Fail(ErrorKind::InvalidInput, what + ": the picture size " + size + " is not possible");
  std::string reason;
  if (nWidth > kDecodeSideBudget || nHeight > kDecodeSideBudget)
    reason = size + " is more than the limit of " + std::to_string(kDecodeSideBudget) + " pixels a side";
  else if (nWidth * nHeight > kDecodePixelBudget)
    reason = size + " is more than the limit of " + std::to_string(kDecodePixelBudget / 1000000) + " megapixels";
  else if (nBytesPerPixel > 0 && nWidth * nHeight * nBytesPerPixel > kDecodeByteBudget)
    reason = size + " needs more than the " + std::to_string(kDecodeByteBudget >> 20) + " MiB a picture may use";
  if (reason.empty()) return Result::Success();
  return Result::Fail(ErrorKind::TooLarge, what + ": " + reason);
}

std::string DecodeBudgetText() {
  return "pictures up to " + std::to_string(kDecodePixelBudget / 1000000) + " megapixels and " +
         std::to_string(kDecodeSideBudget) + " pixels a side (" + std::to_string(kDecodeByteBudget >> 20) +
         " MiB of pixel data)";
}
