// Pictures embedded in the program (skins, button faces, markers), looked up by numeric id.
#pragma once

#include <cstddef>
#include <cstdint>

// Makes `data` (which must outlive the program's use of it) available under `id`;
// a later registration with the same id replaces the earlier one.
void RegisterPictureResource(int id, const uint8_t* data, size_t size);
// True and the bytes of resource `id`, or false when there is none.
bool FindPictureResource(int id, const uint8_t** data, size_t* size);

// Registers a resource at start-up from any translation unit:
//   static const PictureResourceEntry kFace(141, kFacePng, sizeof kFacePng);
struct PictureResourceEntry {
  PictureResourceEntry(int id, const uint8_t* data, size_t size) { RegisterPictureResource(id, data, size); }
};
