// Turning pictures of the image container into wx bitmaps.
#pragma once

#include <cstdint>
#include <string>

#include <wx/bitmap.h>
#include <wx/image.h>

class CPicture;

// The whole picture at its own size, with its alpha plane when it has one.
wxImage PictureToImage(const CPicture& picture);
// A picture of the embedded resources by id; an invalid image when it is missing, with the
// image container's error text in *pError.
wxImage LoadResourceImage(int resourceId, std::string* pError = nullptr);
// 32-bit blue-green-red-unused rows, top row first, as one opaque bitmap.
wxBitmap PixelsToBitmap(const uint8_t* pBgrx, int width, int height, int stride);
