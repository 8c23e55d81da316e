// GIF: reader of the first image of a file, single-image writer (palette pictures directly,
// true-colour pictures as tiles of exact colours) and the animated multi-image writer.
#include <algorithm>
#include <cstring>

#include "image/Codecs.h"
#include "image/ContainerIo.h"
#include "image/GifLzw.h"

namespace {

constexpr int kTileWidth = 17;
constexpr int kTileHeight = 15;

void PutLe16(std::vector<uint8_t>& out, int v) {
  v = std::min(0xFFFF, std::max(0, v));
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutColorTable(std::vector<uint8_t>& out, const CPicture& pic) {
  const uint32_t n = pic.GetNumColors();
  const RgbQuad* pal = pic.GetPalette();
  for (uint32_t i = 0; i < n; ++i) {
    out.push_back(pal[i].rgbRed);
    out.push_back(pal[i].rgbGreen);
    out.push_back(pal[i].rgbBlue);
  }
}

// Logical screen: size, and the picture's palette as the global colour table when it has one.
void PutHeader(std::vector<uint8_t>& out, const CPicture& pic) {
  const uint8_t sig[] = {'G', 'I', 'F', '8', '9', 'a'};
  out.insert(out.end(), sig, sig + 6);
  PutLe16(out, pic.GetWidth());
  PutLe16(out, pic.GetHeight());
  const int bits = pic.GetBpp();
  if (bits <= 8 && pic.GetPalette()) {
    out.push_back(static_cast<uint8_t>(((((bits - 1) | 0xFC) << 5) | (bits - 1)) & 0xFF));
    out.push_back(0);  // background index
    out.push_back(0);  // aspect
    PutColorTable(out, pic);
  } else {
    out.push_back(0x11);
    out.push_back(0);
    out.push_back(0);
  }
}

void PutGraphicControl(std::vector<uint8_t>& out, int disposal, int transIndex, int delay) {
  const uint8_t head[] = {0x21, 0xF9, 0x04};
  out.insert(out.end(), head, head + 3);
  out.push_back(static_cast<uint8_t>(((disposal & 7) << 2) | (transIndex >= 0 ? 1 : 0)));
  PutLe16(out, delay);
  out.push_back(static_cast<uint8_t>(transIndex & 0xFF));  // -1 (none) is written as 0xFF
  out.push_back(0);
}

void PutComment(std::vector<uint8_t>& out, const std::string& comment) {
  if (comment.empty()) return;
  const size_t n = std::min<size_t>(255, comment.size());
  out.push_back(0x21);
  out.push_back(0xFE);
  out.push_back(static_cast<uint8_t>(n));
  out.insert(out.end(), comment.begin(), comment.begin() + static_cast<std::ptrdiff_t>(n));
  out.push_back(0);
}

void PutNetscapeLoop(std::vector<uint8_t>& out, int loops) {
  const uint8_t head[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01};
  out.insert(out.end(), head, head + sizeof head);
  PutLe16(out, std::max(0, loops - 1));
  out.push_back(0);
}

// Image descriptor, optional local table, LZW data of a palette picture (top row first).
void PutImageBlock(std::vector<uint8_t>& out, const CPicture& pic, int left, int top, bool bLocalTable) {
  const int w = pic.GetWidth(), h = pic.GetHeight(), bits = pic.GetBpp();
  out.push_back(0x2C);
  PutLe16(out, left);
  PutLe16(out, top);
  PutLe16(out, w);
  PutLe16(out, h);
  out.push_back(static_cast<uint8_t>(bLocalTable ? (0x80 | (bits - 1)) : 0));
  if (bLocalTable) PutColorTable(out, pic);
  const int minCodeSize = std::max(bits, 2);
  out.push_back(static_cast<uint8_t>(minCodeSize));
  CGifLzwEncoder enc(minCodeSize);
  std::vector<uint8_t> row(static_cast<size_t>(w));
  for (int y = h - 1; y >= 0; --y) {
    if (bits == 8) {
      enc.Add(pic.GetBits(y), static_cast<size_t>(w));
      continue;
    }
    for (int x = 0; x < w; ++x) row[static_cast<size_t>(x)] = pic.GetPixelIndex(x, y);
    enc.Add(row.data(), row.size());
  }
  AppendGifSubBlocks(enc.Finish(), out);
}

// A true-colour picture as tiles of 17 x 15 pixels, each with a local table holding the exact
// colour of every one of its pixels (entry 0 stays for the transparent colour).
void PutTiles(std::vector<uint8_t>& out, const CPicture& pic, int disposal) {
  const int w = pic.GetWidth(), h = pic.GetHeight();
  const bool hasTrans = pic.GetTransIndex() >= 0;
  const RgbQuad trans = pic.GetTransColor();
  uint8_t table[256 * 3];
  uint8_t indices[kTileWidth * kTileHeight];
  for (int ty = 0; ty < h; ty += kTileHeight) {
    for (int tx = 0; tx < w; tx += kTileWidth) {
      const int tw = std::min(kTileWidth, w - tx), th = std::min(kTileHeight, h - ty);
      std::memset(table, 0, sizeof table);
      if (hasTrans) {
        table[0] = trans.rgbRed;
        table[1] = trans.rgbGreen;
        table[2] = trans.rgbBlue;
      }
      for (int r = 0; r < th; ++r) {          // tile rows from the top
        const int i = th - 1 - r;              // the same row counted from the tile's bottom
        const uint8_t* src = pic.GetBits(h - 1 - (ty + r)) + size_t(tx) * 3;
        for (int j = 0; j < tw; ++j) {
          const uint8_t b = src[j * 3], g = src[j * 3 + 1], red = src[j * 3 + 2];
          uint8_t entry = static_cast<uint8_t>(i * kTileWidth + j + 1);
          table[entry * 3] = red;
          table[entry * 3 + 1] = g;
          table[entry * 3 + 2] = b;
          if (hasTrans && b == trans.rgbBlue && g == trans.rgbGreen && red == trans.rgbRed) entry = 0;
          indices[r * tw + j] = entry;
        }
      }
      // Tiles are parts of one still picture: they show at once.
      PutGraphicControl(out, disposal, hasTrans ? 0 : -1, 0);
      out.push_back(0x2C);
      PutLe16(out, tx);
      PutLe16(out, ty);
      PutLe16(out, tw);
      PutLe16(out, th);
      out.push_back(0x87);
      out.insert(out.end(), table, table + sizeof table);
      out.push_back(8);
      AppendGifSubBlocks(CGifLzwEncoder::Compress(indices, size_t(tw) * size_t(th), 8), out);
    }
  }
}

bool WriteAll(FILE* fp, const std::vector<uint8_t>& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
}

// Gathers the data sub-blocks that start at the reader's position; false when the file ends first.
bool ReadSubBlocks(CByteReader& in, std::vector<uint8_t>* out) {
  for (;;) {
    const uint8_t n = in.U8();
    if (in.Failed()) return false;
    if (n == 0) return true;
    const uint8_t* p = in.Take(n);
    if (!p) return false;
    if (out) out->insert(out->end(), p, p + n);
  }
}

}  // namespace

bool SniffGif(const uint8_t* data, size_t size) { return data && size >= 13 && std::memcmp(data, "GIF8", 4) == 0; }

Result DecodeGif(CPicture& pic, const uint8_t* data, size_t size) {
  if (!SniffGif(data, size)) return Result::Fail("Not a GIF");
  const Result truncated = Result::Fail(ErrorKind::Truncated, "GIF file is truncated");
  const Result corrupt = Result::Fail("GIF: corrupt image data");
  CByteReader in(data, size);
  in.Skip(6);
  in.U16();  // logical screen width
  in.U16();  // logical screen height
  const uint8_t screenFlags = in.U8();
  in.U8();  // background index
  in.U8();  // aspect
  uint8_t globalTable[256 * 3];
  int globalColors = 0;
  if (screenFlags & 0x80) {
    globalColors = 2 << (screenFlags & 7);
    const uint8_t* p = in.Take(size_t(globalColors) * 3);
    if (!p) return truncated;
    std::memcpy(globalTable, p, size_t(globalColors) * 3);
  }

  int transIndex = -1, delay = 0;
  for (;;) {
    const uint8_t block = in.U8();
    if (in.Failed()) return truncated;
    if (block == 0x3B) return Result::Fail("GIF: the file holds no image");
    if (block == 0x21) {
      const uint8_t label = in.U8();
      if (label == 0xF9) {
        const uint8_t n = in.U8();
        const uint8_t* p = in.Take(n);
        if (!p) return truncated;
        if (n >= 4) {
          transIndex = (p[0] & 1) ? p[3] : -1;
          delay = Le16(p + 1);
        }
      }
      if (!ReadSubBlocks(in, nullptr)) return truncated;
      continue;
    }
    if (block != 0x2C) return Result::Fail("GIF: unknown block in the file");

    // The first image.
    const int left = in.U16(), top = in.U16(), w = in.U16(), h = in.U16();
    const uint8_t flags = in.U8();
    if (in.Failed()) return truncated;
    if (w == 0 || h == 0) return Result::Fail("GIF: invalid image size");
    const uint8_t* table = globalColors ? globalTable : nullptr;
    int colors = globalColors;
    if (flags & 0x80) {
      colors = 2 << (flags & 7);
      table = in.Take(size_t(colors) * 3);
      if (!table) return truncated;
    }
    const int minCodeSize = in.U8();
    if (in.Failed()) return truncated;
    if (minCodeSize < 2 || minCodeSize > 8) return corrupt;
    std::vector<uint8_t> codes;
    if (!ReadSubBlocks(in, &codes)) return truncated;
    // Each code adds at most one pixel to the longest string so far, and no string is longer
    // than the 4096 entries of the table, which bounds what a stream of this length can hold;
    // refuse sizes it cannot fill before allocating them.
    const uint64_t maxCodes = uint64_t(codes.size()) * 8 / uint64_t(minCodeSize + 1) + 1;
    constexpr uint64_t kLongestString = 4096;
    const uint64_t maxPixels = maxCodes <= kLongestString
                                   ? maxCodes * (maxCodes + 1) / 2
                                   : kLongestString * (kLongestString + 1) / 2 + (maxCodes - kLongestString) * kLongestString;
    const uint64_t pixelCount = uint64_t(w) * uint64_t(h);
    if (pixelCount > maxPixels) return truncated;

    const int bits = colors <= 2 ? 1 : (colors <= 16 ? 4 : 8);
    if (!pic.Create(w, h, table ? bits : 8, PICTURE_GIF)) return FailureOf(pic);
    if (table) {
      RgbQuad pal[256];
      for (int i = 0; i < colors; ++i) {
        pal[i].rgbRed = table[i * 3];
        pal[i].rgbGreen = table[i * 3 + 1];
        pal[i].rgbBlue = table[i * 3 + 2];
        pal[i].rgbReserved = 0;
      }
      pic.SetPalette(pal, colors);
    } else {
      pic.SetGrayPalette();
    }

    std::vector<uint8_t> pixels(static_cast<size_t>(pixelCount), 0);
    bool bCorrupt = false;
    GifLzwDecode(codes.data(), codes.size(), minCodeSize, pixels.data(), pixels.size(), &bCorrupt);
    if (bCorrupt) return corrupt;

    // Rows arrive top first, in four passes when interlaced.
    std::vector<int> order(static_cast<size_t>(h));
    if (flags & 0x40) {
      static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      int k = 0;
      for (int pass = 0; pass < 4; ++pass)
        for (int r = kStart[pass]; r < h; r += kStep[pass]) order[static_cast<size_t>(k++)] = r;
    } else {
      for (int r = 0; r < h; ++r) order[static_cast<size_t>(r)] = r;
    }
    for (int k = 0; k < h; ++k) {
      const int y = h - 1 - order[static_cast<size_t>(k)];
      const uint8_t* src = pixels.data() + size_t(k) * size_t(w);
      if (pic.GetBpp() == 8) {
        std::memcpy(pic.GetBits(y), src, static_cast<size_t>(w));
      } else {
        for (int x = 0; x < w; ++x) pic.SetPixelIndex(x, y, src[x]);
      }
    }
    pic.SetTransIndex(transIndex);
    pic.SetFrameDelay(delay);
    pic.SetOffset(left, top);
    return Result::Success();
  }
}

namespace {

// Single-image GIF; a CPictureGIF brings its disposal method and comment.
Result EncodeGifImage(const CPicture& pic, FILE* fp, int disposal, const std::string& comment) {
  if (!pic.IsValid()) return Result::Fail("GIF: the picture is empty");
  std::vector<uint8_t> out;
  PutHeader(out, pic);
  if (pic.GetBpp() <= 8) {
    PutGraphicControl(out, disposal, pic.GetTransIndex(), pic.GetFrameDelay());
    PutComment(out, comment);
    PutImageBlock(out, pic, pic.Info().xOffset, pic.Info().yOffset, false);
  } else {
    PutComment(out, comment);
    PutTiles(out, pic, disposal);
  }
  out.push_back(0x3B);
  if (!WriteAll(fp, out)) return Result::Fail(ErrorKind::Io, "GIF: write error");
  return Result::Success();
}

}  // namespace

Result EncodeGif(const CPicture& pic, FILE* fp) {
  if (const CPictureGIF* gif = dynamic_cast<const CPictureGIF*>(&pic))
    return EncodeGifImage(pic, fp, gif->GetDisposalMethod(), gif->GetComment());
  return EncodeGifImage(pic, fp, 0, std::string());
}

bool CPictureGIF::Encode(FILE* fp, CPicture** ppImages, int count, bool bLocalColorMap) {
  if (!fp) {
    SetLastError("invalid file pointer");
    return false;
  }
  if (!ppImages || count <= 0 || !ppImages[0]) {
    SetLastError("multipage GIF, no images!");
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const CPicture* img = ppImages[i];
    if (!img || !img->IsValid()) {
      SetLastError("Bad image pointer");
      return false;
    }
    if (img->GetBpp() > 8) {
      SetLastError("multipage GIF: every image must have 8 bits or fewer", ErrorKind::Unsupported);
      return false;
    }
  }
  const CPicture& first = *ppImages[0];
  std::vector<uint8_t> out;
  PutHeader(out, first);
  if (m_nLoops != 1) PutNetscapeLoop(out, m_nLoops);
  PutGraphicControl(out, m_nDisposal, first.GetTransIndex(), first.GetFrameDelay());
  PutComment(out, m_szComment);
  PutImageBlock(out, first, first.Info().xOffset, first.Info().yOffset, false);
  for (int i = 1; i < count; ++i) {
    if (!WriteAll(fp, out)) {
      SetLastError("GIF: write error", ErrorKind::Io);
      return false;
    }
    out.clear();
    const CPicture& img = *ppImages[i];
    PutGraphicControl(out, m_nDisposal, img.GetTransIndex(), img.GetFrameDelay());
    PutImageBlock(out, img, img.Info().xOffset, img.Info().yOffset, bLocalColorMap);
  }
  out.push_back(0x3B);
  if (!WriteAll(fp, out)) {
    SetLastError("GIF: write error", ErrorKind::Io);
    return false;
  }
  return true;
}
