#include "autokey/AutoKeyTypes.h"

#include <cstring>

#include "core/KeyPointMesh.h"
#include "image/Picture.h"

namespace autokey {

PictureSnapshot SnapshotPicture(const CPicture& picture) {
  PictureSnapshot out;
  if (!picture.IsValid() || picture.GetWidth() <= 0 || picture.GetHeight() <= 0) return out;
  out.width = picture.GetWidth();
  out.height = picture.GetHeight();
  out.bgr.resize(size_t(out.width) * size_t(out.height) * 3);
  const size_t rowBytes = size_t(out.width) * 3;
  for (int y = 0; y < out.height; ++y) {
    // Stored rows run bottom-up; picture row y is stored row height-1-y.
    const int stored = out.height - 1 - y;
    uint8_t* dst = out.bgr.data() + size_t(y) * rowBytes;
    if (picture.GetBpp() == 24) {
      std::memcpy(dst, picture.GetBits(stored), rowBytes);
    } else {
      for (int x = 0; x < out.width; ++x) {
        const RgbQuad c = picture.GetPixelColor(x, stored);
        dst[3 * x] = c.rgbBlue;
        dst[3 * x + 1] = c.rgbGreen;
        dst[3 * x + 2] = c.rgbRed;
      }
    }
  }
  return out;
}

std::vector<KeyPair> PairsFromMesh(const CKeyPointMesh& mesh) {
  std::vector<KeyPair> pairs;
  for (int i = 0; i < mesh.GetPointCount(); ++i) {
    const MeshVertex* a = mesh.FindVertex(1, i);
    const MeshVertex* b = mesh.FindVertex(2, i);
    if (!a || !b) return {};  // lists disagree: no usable pairs
    pairs.push_back({a->x, a->y, b->x, b->y});
  }
  return pairs;
}

const char* ToString(ProposalStatus status) {
  switch (status) {
    case ProposalStatus::Placed: return "placed";
    case ProposalStatus::NoFace: return "no-face";
    case ProposalStatus::TooDifferent: return "too-different";
    case ProposalStatus::ModelMissing: return "model-missing";
    case ProposalStatus::NoRoom: return "no-room";
    case ProposalStatus::NothingKept: return "nothing-kept";
    case ProposalStatus::InvalidInput: return "invalid-input";
  }
  return "?";
}

const char* ToString(ProposalSource source) {
  switch (source) {
    case ProposalSource::Auto: return "auto";
    case ProposalSource::Faces: return "faces";
    case ProposalSource::Features: return "features";
  }
  return "?";
}

}  // namespace autokey
