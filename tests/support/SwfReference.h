// The tests' own SWF reader, written from the file format alone (header, tag records, RECT,
// MATRIX, shape records bit by bit), and the decoder of a DefineBitsJPEG2 bitmap (a tables
// stream, then an abbreviated image stream) through libjpeg: the SWF writer and every export
// that makes a Flash movie are checked against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/SwfBitWriter.h"

class SwfBitReader {
 public:
  SwfBitReader(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
  bool Failed() const { return m_bFailed; }
  size_t BytePos() const { return m_nBit / 8 + (m_nBit % 8 ? 1 : 0); }
  void Align() { m_nBit = BytePos() * 8; }
  uint32_t UB(int n);
  int32_t SB(int n);
  // Byte-level reads realign first. Little-endian.
  uint32_t U8();
  uint32_t U16();

 private:
  const uint8_t* m_p;
  size_t m_n;
  size_t m_nBit = 0;
  bool m_bFailed = false;
};

SwfRect ReadSwfRect(SwfBitReader& br, int* pBits = nullptr);

struct SwfRefMatrix {
  bool bScale = false, bRotate = false;
  int32_t sx = 0x10000, sy = 0x10000, r0 = 0, r1 = 0, tx = 0, ty = 0;
  int nTranslateBits = 0;
};
SwfRefMatrix ReadSwfMatrix(SwfBitReader& br);

struct SwfRefTag {
  int type = -1;
  bool bLongHeader = false;
  std::vector<uint8_t> data;
};

struct SwfRefMovie {
  std::string error;  // empty when the file parsed cleanly
  int version = 0;
  uint32_t fileLength = 0;
  SwfRect frame;
  uint8_t rateLow = 0, rateHigh = 0;
  int frameCount = 0;
  std::vector<SwfRefTag> tags;
};
// Reads an uncompressed movie; trailing bytes, a missing End tag or a length field that does
// not match the file are errors.
SwfRefMovie ParseSwf(const std::vector<uint8_t>& bytes);
// The frame count of a movie that parses cleanly, -1 otherwise.
int SwfFrameCount(const std::vector<uint8_t>& bytes);

struct SwfRefEdge {
  int nBits = 0;
  int32_t dx = 0, dy = 0;
  bool bGeneral = false;
};
// A straight edge record after its two flag bits (edge, straight).
SwfRefEdge ReadSwfStraightEdge(SwfBitReader& br);

// A DefineShape holding one bitmap fill, one style change and straight edges.
struct SwfRefShape {
  std::string error;
  int id = 0;
  SwfRect bounds;
  int fillCount = 0, fillType = 0, bitmapId = 0;
  SwfRefMatrix bitmapMatrix;
  int lineCount = -1, fillBits = -1, lineBits = -1;
  int styleFlags = -1, moveBits = -1, fill0 = -1;
  std::vector<SwfRefEdge> edges;
  bool bEnded = false;
};
SwfRefShape ParseSwfShape(const std::vector<uint8_t>& data);

// Where the JPEG tables stream starting at `start` ends (past its EOI), 0 when there is none.
size_t EndOfJpegTables(const std::vector<uint8_t>& data, size_t start);
bool HasJpegMarker(const std::vector<uint8_t>& data, size_t from, size_t to, uint8_t marker);

struct SwfJpegImage {
  bool bOk = false;
  int w = 0, h = 0, comps = 0;
  std::vector<uint8_t> rgb;  // top-down
};
// Decodes the tables stream [tablesStart, tablesEnd) and then the abbreviated image stream
// after it, as two separate inputs.
SwfJpegImage DecodeSwfJpeg(const std::vector<uint8_t>& data, size_t tablesStart, size_t tablesEnd);
// Decodes a whole JPEG file.
SwfJpegImage DecodeReferenceJpeg(const std::vector<uint8_t>& data);

// The frame files the SWF writer reads: a top-down RGB pattern (red across, green down, blue
// by seed), written as the frame writer writes JPEG files (quality 90) from RGB or grey rows.
std::vector<uint8_t> SwfFramePixels(int w, int h, int seed);
void WriteFrameJpeg(const std::string& path, const std::vector<uint8_t>& pixels, int w, int h, int comps = 3);
