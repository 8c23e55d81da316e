#include "GifReference.h"

namespace {

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& b) : m_b(b) {}
  bool Has(size_t n) const { return m_pos + n <= m_b.size(); }
  uint8_t U8() { return m_b[m_pos++]; }
  int U16() {
    int v = m_b[m_pos] | (m_b[m_pos + 1] << 8);
    m_pos += 2;
    return v;
  }
  size_t Pos() const { return m_pos; }
  const uint8_t* Ptr() const { return m_b.data() + m_pos; }
  void Skip(size_t n) { m_pos += n; }

 private:
  const std::vector<uint8_t>& m_b;
  size_t m_pos = 0;
};

bool ReadTable(Reader& in, int nEntries, std::vector<GifRefColor>& table) {
  if (!in.Has(static_cast<size_t>(nEntries) * 3)) return false;
  table.resize(static_cast<size_t>(nEntries));
  for (auto& c : table) {
    c.r = in.U8();
    c.g = in.U8();
    c.b = in.U8();
  }
  return true;
}

bool ReadSubBlocks(Reader& in, std::vector<uint8_t>* data) {
  for (;;) {
    if (!in.Has(1)) return false;
    const uint8_t n = in.U8();
    if (n == 0) return true;
    if (!in.Has(n)) return false;
    if (data) data->insert(data->end(), in.Ptr(), in.Ptr() + n);
    in.Skip(n);
  }
}

bool Fail(std::string& szWhy, const std::string& text) {
  szWhy = text;
  return false;
}

}  // namespace

bool GifReferenceLzw(const std::vector<uint8_t>& data, int nMinCodeSize, std::vector<uint8_t>& out,
                     bool* pSawEnd, std::string* pWhy) {
  std::string unused;
  std::string& why = pWhy ? *pWhy : unused;
  if (pSawEnd) *pSawEnd = false;
  if (nMinCodeSize < 1 || nMinCodeSize > 11) return Fail(why, "bad code size");
  const int clear = 1 << nMinCodeSize, end = clear + 1;
  std::vector<std::vector<uint8_t>> table;
  auto reset = [&] {
    table.assign(static_cast<size_t>(clear + 2), {});
    for (int i = 0; i < clear; ++i) table[static_cast<size_t>(i)] = {static_cast<uint8_t>(i)};
  };
  reset();
  int width = nMinCodeSize + 1;
  size_t bitPos = 0;
  int prev = -1;
  while (bitPos + static_cast<size_t>(width) <= data.size() * 8) {
    int code = 0;
    for (int b = 0; b < width; ++b, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
    if (code == clear) {
      reset();
      width = nMinCodeSize + 1;
      prev = -1;
      continue;
    }
    if (code == end) {
      if (pSawEnd) *pSawEnd = true;
      return true;
    }
    std::vector<uint8_t> entry;
    if (code < static_cast<int>(table.size()) && !table[static_cast<size_t>(code)].empty()) {
      entry = table[static_cast<size_t>(code)];
    } else if (code == static_cast<int>(table.size()) && prev >= 0) {
      entry = table[static_cast<size_t>(prev)];
      entry.push_back(entry[0]);
    } else {
      return Fail(why, prev < 0 ? "bad first code" : "code out of range");
    }
    out.insert(out.end(), entry.begin(), entry.end());
    if (prev >= 0 && table.size() < 4096) {
      std::vector<uint8_t> added = table[static_cast<size_t>(prev)];
      added.push_back(entry[0]);
      table.push_back(added);
    }
    if (table.size() == (size_t(1) << width) && width < 12) ++width;
    prev = code;
  }
  return true;
}

GifRefColor GifRefFrame::Color(const std::vector<GifRefColor>& global, int x, int y) const {
  const std::vector<GifRefColor>& table = localTable.empty() ? global : localTable;
  const uint8_t idx = indices[static_cast<size_t>(y) * static_cast<size_t>(nWidth) + static_cast<size_t>(x)];
  return idx < table.size() ? table[idx] : GifRefColor{};
}

bool ParseGifReference(const std::vector<uint8_t>& bytes, GifRefFile& out, std::string& szWhy) {
  Reader in(bytes);
  out = GifRefFile();
  if (!in.Has(13)) return Fail(szWhy, "no GIF header");
  out.signature.assign(bytes.begin(), bytes.begin() + 6);
  in.Skip(6);
  out.nWidth = in.U16();
  out.nHeight = in.U16();
  out.nPacked = in.U8();
  out.nBackground = in.U8();
  out.nAspect = in.U8();
  if ((out.nPacked & 0x80) && !ReadTable(in, 2 << (out.nPacked & 7), out.globalTable))
    return Fail(szWhy, "short global table");
  GifRefFrame pending;
  for (;;) {
    if (!in.Has(1)) return Fail(szWhy, "no trailer");
    const size_t blockAt = in.Pos();
    const uint8_t block = in.U8();
    if (block == 0x3B) {
      out.bTrailer = true;
      return true;
    }
    if (block == 0x21) {
      if (!in.Has(2)) return Fail(szWhy, "short extension");
      const uint8_t label = in.U8();
      std::vector<uint8_t> data;
      if (label == 0xF9) {
        if (!in.Has(6) || *in.Ptr() != 4) return Fail(szWhy, "bad graphic control");
        pending.gce.assign(in.Ptr(), in.Ptr() + 6);
        in.Skip(1);
        pending.bHasControl = true;
        pending.nControlPacked = in.U8();
        pending.nDelay = in.U16();
        pending.nTransparent = in.U8();
        if (in.U8() != 0) return Fail(szWhy, "graphic control not terminated");
      } else if (label == 0xFF) {
        if (!in.Has(12) || in.U8() != 11) return Fail(szWhy, "bad application extension");
        const std::string id(reinterpret_cast<const char*>(in.Ptr()), 11);
        in.Skip(11);
        if (!ReadSubBlocks(in, &data)) return Fail(szWhy, "short application extension");
        if (id == "NETSCAPE2.0" && data.size() == 3 && data[0] == 1) {
          out.bHasLoop = true;
          out.nLoopCount = data[1] | (data[2] << 8);
        }
      } else if (label == 0xFE) {
        if (!ReadSubBlocks(in, &data)) return Fail(szWhy, "short comment");
        out.comments.emplace_back(data.begin(), data.end());
      } else if (!ReadSubBlocks(in, nullptr)) {
        return Fail(szWhy, "short extension");
      }
      continue;
    }
    if (block != 0x2C) return Fail(szWhy, "unknown block " + std::to_string(block));
    if (!in.Has(9)) return Fail(szWhy, "short image descriptor");
    GifRefFrame frame = pending;
    pending = GifRefFrame();
    frame.nDescriptorOffset = blockAt;
    frame.nLeft = in.U16();
    frame.nTop = in.U16();
    frame.nWidth = in.U16();
    frame.nHeight = in.U16();
    frame.nPacked = in.U8();
    if ((frame.nPacked & 0x80) && !ReadTable(in, 2 << (frame.nPacked & 7), frame.localTable))
      return Fail(szWhy, "short local table");
    if (!in.Has(1)) return Fail(szWhy, "no code size");
    frame.nMinCodeSize = in.U8();
    if (!ReadSubBlocks(in, &frame.codes)) return Fail(szWhy, "short image data");
    if (!GifReferenceLzw(frame.codes, frame.nMinCodeSize, frame.indices, &frame.bSawEnd, &szWhy)) return false;
    out.frames.push_back(std::move(frame));
  }
}

bool DecodeGifReference(const std::vector<uint8_t>& bytes, GifRefFile& out, std::string& szWhy) {
  if (bytes.size() < 6 || std::string(bytes.begin(), bytes.begin() + 6) != "GIF89a")
    return Fail(szWhy, "no GIF89a header");
  if (!ParseGifReference(bytes, out, szWhy)) return false;
  for (const GifRefFrame& f : out.frames) {
    if (f.nMinCodeSize < 2 || f.nMinCodeSize > 11) return Fail(szWhy, "bad code size");
    if (!f.bSawEnd) return Fail(szWhy, "LZW data end without end code");
    const size_t nPixels = static_cast<size_t>(f.nWidth) * static_cast<size_t>(f.nHeight);
    if (f.indices.size() != nPixels)
      return Fail(szWhy, "pixel count " + std::to_string(f.indices.size()) + " instead of " + std::to_string(nPixels));
  }
  return true;
}
