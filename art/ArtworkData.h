// The rendered pictures, generated at build time (ArtworkData.cpp in the build folder).
#pragma once

#include <cstddef>
#include <cstdint>

struct ArtworkBlob {
  int id;  // resource id, or the side in pixels for the application icons
  const uint8_t* data;
  size_t size;
};

extern const ArtworkBlob kArtworkBlobs[];
extern const size_t kArtworkBlobCount;
extern const ArtworkBlob kAppIconBlobs[];  // smallest side first
extern const size_t kAppIconBlobCount;
