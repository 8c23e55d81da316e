#include "support/SwfReference.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <utility>

#include <jpeglib.h>

#include "image/JpegGlue.h"
#include "support/TestSupport.h"

uint32_t SwfBitReader::UB(int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) {
    if (m_nBit / 8 >= m_n) {
      m_bFailed = true;
      return 0;
    }
    v = (v << 1) | ((m_p[m_nBit / 8] >> (7 - m_nBit % 8)) & 1u);
    ++m_nBit;
  }
  return v;
}

int32_t SwfBitReader::SB(int n) {
  if (n == 0) return 0;
  uint32_t v = UB(n);
  if (n < 32 && (v & (1u << (n - 1)))) v |= ~0u << n;  // sign-extend
  return static_cast<int32_t>(v);
}

uint32_t SwfBitReader::U8() {
  Align();
  return UB(8);
}

uint32_t SwfBitReader::U16() {
  const uint32_t lo = U8();
  return lo | (U8() << 8);
}

SwfRect ReadSwfRect(SwfBitReader& br, int* pBits) {
  br.Align();
  const int n = static_cast<int>(br.UB(5));
  if (pBits) *pBits = n;
  SwfRect r;
  r.xmin = br.SB(n);
  r.xmax = br.SB(n);
  r.ymin = br.SB(n);
  r.ymax = br.SB(n);
  return r;
}

SwfRefMatrix ReadSwfMatrix(SwfBitReader& br) {
  br.Align();
  SwfRefMatrix m;
  m.bScale = br.UB(1);
  if (m.bScale) {
    const int n = static_cast<int>(br.UB(5));
    m.sx = br.SB(n);
    m.sy = br.SB(n);
  }
  m.bRotate = br.UB(1);
  if (m.bRotate) {
    const int n = static_cast<int>(br.UB(5));
    m.r0 = br.SB(n);
    m.r1 = br.SB(n);
  }
  m.nTranslateBits = static_cast<int>(br.UB(5));
  m.tx = br.SB(m.nTranslateBits);
  m.ty = br.SB(m.nTranslateBits);
  return m;
}

SwfRefMovie ParseSwf(const std::vector<uint8_t>& f) {
  SwfRefMovie m;
  if (f.size() < 8 || f[0] != 'F' || f[1] != 'W' || f[2] != 'S') {
    m.error = "no FWS signature";
    return m;
  }
  m.version = f[3];
  m.fileLength = f[4] | f[5] << 8 | f[6] << 16 | static_cast<uint32_t>(f[7]) << 24;
  if (m.fileLength != f.size()) {
    m.error = "file length field " + std::to_string(m.fileLength) + " but " +
              std::to_string(f.size()) + " bytes";
    return m;
  }
  SwfBitReader hb(f.data() + 8, f.size() - 8);
  m.frame = ReadSwfRect(hb);
  hb.Align();
  size_t pos = 8 + hb.BytePos();
  if (pos + 4 > f.size()) {
    m.error = "header cut short";
    return m;
  }
  m.rateLow = f[pos];
  m.rateHigh = f[pos + 1];
  m.frameCount = f[pos + 2] | f[pos + 3] << 8;
  pos += 4;
  while (pos < f.size()) {
    if (pos + 2 > f.size()) {
      m.error = "tag header cut short";
      return m;
    }
    const unsigned v = f[pos] | f[pos + 1] << 8;
    pos += 2;
    SwfRefTag t;
    t.type = static_cast<int>(v >> 6);
    uint32_t len = v & 63;
    if (len == 63) {
      if (pos + 4 > f.size()) {
        m.error = "long tag header cut short";
        return m;
      }
      len = f[pos] | f[pos + 1] << 8 | f[pos + 2] << 16 | static_cast<uint32_t>(f[pos + 3]) << 24;
      pos += 4;
      t.bLongHeader = true;
    }
    if (pos + len > f.size()) {
      m.error = "tag " + std::to_string(t.type) + " runs past the end";
      return m;
    }
    t.data.assign(f.begin() + static_cast<long>(pos), f.begin() + static_cast<long>(pos + len));
    pos += len;
    m.tags.push_back(std::move(t));
    if (m.tags.back().type == 0 && pos != f.size()) {
      m.error = "bytes after the End tag";
      return m;
    }
  }
  if (m.tags.empty() || m.tags.back().type != 0) m.error = "no End tag";
  return m;
}

int SwfFrameCount(const std::vector<uint8_t>& bytes) {
  const SwfRefMovie m = ParseSwf(bytes);
  return m.error.empty() ? m.frameCount : -1;
}

SwfRefEdge ReadSwfStraightEdge(SwfBitReader& br) {
  SwfRefEdge e;
  e.nBits = static_cast<int>(br.UB(4)) + 2;
  e.bGeneral = br.UB(1);
  if (e.bGeneral) {
    e.dx = br.SB(e.nBits);
    e.dy = br.SB(e.nBits);
  } else if (br.UB(1)) {
    e.dy = br.SB(e.nBits);
  } else {
    e.dx = br.SB(e.nBits);
  }
  return e;
}

SwfRefShape ParseSwfShape(const std::vector<uint8_t>& d) {
  SwfRefShape s;
  SwfBitReader br(d.data(), d.size());
  s.id = static_cast<int>(br.U16());
  s.bounds = ReadSwfRect(br);
  s.fillCount = static_cast<int>(br.U8());
  if (s.fillCount != 1) {
    s.error = "expected one fill style";
    return s;
  }
  s.fillType = static_cast<int>(br.U8());
  s.bitmapId = static_cast<int>(br.U16());
  s.bitmapMatrix = ReadSwfMatrix(br);
  s.lineCount = static_cast<int>(br.U8());
  s.fillBits = static_cast<int>(br.UB(4));
  s.lineBits = static_cast<int>(br.UB(4));
  while (!br.Failed()) {
    const bool bEdge = br.UB(1);
    if (!bEdge) {
      const int flags = static_cast<int>(br.UB(5));
      if (flags == 0) {
        s.bEnded = true;
        break;
      }
      if (s.styleFlags != -1) {
        s.error = "more than one style change";
        return s;
      }
      s.styleFlags = flags;
      if (flags & 0x01) {
        s.moveBits = static_cast<int>(br.UB(5));
        br.SB(s.moveBits);
        br.SB(s.moveBits);
      }
      if (flags & 0x02) s.fill0 = static_cast<int>(br.UB(s.fillBits));
      if (flags & 0x04) br.UB(s.fillBits);
      if (flags & 0x08) br.UB(s.lineBits);
      if (flags & 0x10) {
        s.error = "unexpected new styles";
        return s;
      }
      continue;
    }
    if (!br.UB(1)) {
      s.error = "curved edge";
      return s;
    }
    s.edges.push_back(ReadSwfStraightEdge(br));
  }
  if (br.Failed()) s.error = "shape records run past the tag";
  else if (br.BytePos() != d.size()) s.error = "bytes left after the end record";
  return s;
}

size_t EndOfJpegTables(const std::vector<uint8_t>& d, size_t start) {
  if (start + 2 > d.size() || d[start] != 0xFF || d[start + 1] != 0xD8) return 0;
  size_t p = start + 2;
  while (p + 4 <= d.size() && d[p] == 0xFF) {
    const uint8_t marker = d[p + 1];
    if (marker == 0xD9) return p + 2;
    if (marker == 0xDA || marker == 0xC0 || marker == 0xC2) return 0;  // image data: not tables
    p += 2 + (d[p + 2] << 8 | d[p + 3]);
  }
  return 0;
}

bool HasJpegMarker(const std::vector<uint8_t>& d, size_t from, size_t to, uint8_t marker) {
  for (size_t p = from; p + 1 < to; ++p)
    if (d[p] == 0xFF && d[p + 1] == marker) return true;
  return false;
}

namespace {

struct ReferenceJpegError {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void ReferenceJpegErrorExit(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<ReferenceJpegError*>(cinfo->err)->jump, 1);
}

}  // namespace

namespace {

// The tables stream (none when nTables is 0), then the image stream, as separate inputs.
SwfJpegImage DecodeJpegStreams(const uint8_t* tables, size_t nTables, const uint8_t* image, size_t nImage) {
  SwfJpegImage out;
  jpeg_decompress_struct cinfo;
  ReferenceJpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = ReferenceJpegErrorExit;
  jpeg_create_decompress(&cinfo);
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    out.bOk = false;
    return out;
  }
  if (nTables > 0) {
    jpeg_mem_src(&cinfo, tables, nTables);
    if (jpeg_read_header(&cinfo, FALSE) != JPEG_HEADER_TABLES_ONLY) {
      jpeg_destroy_decompress(&cinfo);
      return out;
    }
  }
  jpeg_mem_src(&cinfo, image, nImage);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return out;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.w = static_cast<int>(cinfo.output_width);
  out.h = static_cast<int>(cinfo.output_height);
  out.comps = cinfo.num_components;
  out.rgb.resize(static_cast<size_t>(out.w) * out.h * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<size_t>(cinfo.output_scanline) * out.w * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  out.bOk = true;
  return out;
}

}  // namespace

SwfJpegImage DecodeSwfJpeg(const std::vector<uint8_t>& d, size_t tablesStart, size_t tablesEnd) {
  return DecodeJpegStreams(d.data() + tablesStart, tablesEnd - tablesStart, d.data() + tablesEnd, d.size() - tablesEnd);
}

SwfJpegImage DecodeReferenceJpeg(const std::vector<uint8_t>& data) {
  return DecodeJpegStreams(nullptr, 0, data.data(), data.size());
}

std::vector<uint8_t> SwfFramePixels(int w, int h, int seed) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[2] = static_cast<uint8_t>(seed * 50);
    }
  return rgb;
}

void WriteFrameJpeg(const std::string& path, const std::vector<uint8_t>& pixels, int w, int h, int comps) {
  std::vector<uint8_t> src(pixels);
  if (comps == 3)  // the encoder takes blue-green-red
    for (size_t i = 0; i < src.size(); i += 3) std::swap(src[i], src[i + 2]);
  JpegSourceImage img;
  img.pBits = src.data();
  img.nWidth = w;
  img.nHeight = h;
  img.nStride = static_cast<size_t>(w) * comps;
  img.nComponents = comps;
  img.bBottomUp = false;
  std::vector<uint8_t> out;
  std::string err;
  ASSERT_TRUE(JpegEncodeToMemory(img, 90, out, err)) << err;
  WriteFileBytes(path, out);
}
