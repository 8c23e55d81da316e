// Shared libjpeg glue: an error manager that turns the library's fatal errors into a
// longjmp back to the caller (libjpeg would otherwise exit the process), and an in-memory
// encoder used by the JPEG codec and by the SWF writer.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

class CPicture;

// Install with `cinfo.err = JpegErrorManagerInit(mgr);` then `if (setjmp(mgr.jump)) {...}`.
// Keep objects with destructors out of the function that calls setjmp: a longjmp skips them.
struct JpegErrorManager {
  jpeg_error_mgr pub;  // must stay the first member: the library sees only this part
  jmp_buf jump;
  char szMessage[JMSG_LENGTH_MAX];
  // While set, running out of data is fatal instead of the library's warning followed by
  // a grey-filled picture.
  bool bTruncationIsError;
  int nWarnings;
};

jpeg_error_mgr* JpegErrorManagerInit(JpegErrorManager& mgr);

// Uncompressed rows to compress: 1 (grey), 3 (blue, green, red) or 4 (blue, green, red,
// unused) bytes per pixel.
struct JpegSourceImage {
  const uint8_t* pBits = nullptr;  // first stored row
  int nWidth = 0;
  int nHeight = 0;
  size_t nStride = 0;     // bytes from one stored row to the next
  int nComponents = 3;
  bool bBottomUp = true;  // stored row 0 is the bottom row of the picture
  int nXDpi = 96;
  int nYDpi = 96;
};

// Compresses to a complete JFIF stream in `out` at quality 1..100 (clamped).
// False with the library's text in `err` on failure.
bool JpegEncodeToMemory(const JpegSourceImage& src, int nQuality, std::vector<uint8_t>& out,
                        std::string& err);

// True for an 8-bit palette picture whose entries are all shades of grey: JPEG stores it as
// one grey channel.
bool IsGreyScalePicture(const CPicture& pic);
