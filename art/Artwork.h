// The program's pictures (button faces, skin, markers, cursors, the application icon),
// rendered from resources/art at build time and embedded. No window code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "art/ArtworkIds.h"

// Registers every picture under its id with RegisterPictureResource (image/Resources.h).
// Safe to call more than once.
void RegisterArtwork();

// Number of pictures RegisterArtwork registers, and the id of picture i (0 <= i < count).
size_t ArtworkCount();
int ArtworkId(size_t i);

// A cursor picture's hot spot, in its pixels.
struct CursorSpec {
  int id;
  int hotX;
  int hotY;
};
// The cursor with the given picture id, or null when the id is not a cursor.
const CursorSpec* FindCursorSpec(int id);

// The application icon as PNG bytes: the rendered size equal to nSize, else the smallest
// larger one, else the largest. *pActualSize (when given) receives that size. False only
// when no icon is embedded.
bool FindAppIconPng(int nSize, const uint8_t** ppData, size_t* pBytes, int* pActualSize = nullptr);
// Sides of the rendered icons, smallest first (16 to 256).
size_t AppIconSizeCount();
int AppIconSize(size_t i);
