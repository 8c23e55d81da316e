#include "art/Artwork.h"

#include "art/ArtworkData.h"
#include "image/Resources.h"

namespace {

// Arrows point at their tip, magnifiers at the lens centre (the cursor SVGs draw them there).
const CursorSpec kCursors[] = {
    {kArtCursorDeletePoint, 1, 1}, {kArtCursorAddPoint, 1, 1}, {kArtCursorMovePoint, 1, 1},
    {kArtCursorZoomIn, 12, 12},    {kArtCursorZoomOut, 12, 12},
};

}  // namespace

void RegisterArtwork() {
  for (size_t i = 0; i < kArtworkBlobCount; ++i)
    RegisterPictureResource(kArtworkBlobs[i].id, kArtworkBlobs[i].data, kArtworkBlobs[i].size);
}

size_t ArtworkCount() { return kArtworkBlobCount; }
int ArtworkId(size_t i) { return i < kArtworkBlobCount ? kArtworkBlobs[i].id : -1; }

const CursorSpec* FindCursorSpec(int id) {
  for (const CursorSpec& c : kCursors)
    if (c.id == id) return &c;
  return nullptr;
}

bool FindAppIconPng(int nSize, const uint8_t** ppData, size_t* pBytes, int* pActualSize) {
  if (kAppIconBlobCount == 0) return false;
  const ArtworkBlob* pick = &kAppIconBlobs[kAppIconBlobCount - 1];
  for (size_t i = 0; i < kAppIconBlobCount; ++i) {
    if (kAppIconBlobs[i].id >= nSize) {
      pick = &kAppIconBlobs[i];
      break;
    }
  }
  if (ppData) *ppData = pick->data;
  if (pBytes) *pBytes = pick->size;
  if (pActualSize) *pActualSize = pick->id;
  return true;
}

size_t AppIconSizeCount() { return kAppIconBlobCount; }
int AppIconSize(size_t i) { return i < kAppIconBlobCount ? kAppIconBlobs[i].id : 0; }
