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
  table.resize(nEntries);
  for (auto& c : table) {
    c.r = in.U8();
    c.g = in.U8();
    c.b = in.U8();
  }
  return true;
}

bool ReadSubBlocks(Reader& in, std::vector<uint8_t>& data) {
  for (;;) {
    if (!in.Has(1)) return false;
    const uint8_t n = in.U8();
    if (n == 0) return true;
    if (!in.Has(n)) return false;
    data.insert(data.end(), in.Ptr(), in.Ptr() + n);
    in.Skip(n);
  }
}

bool DecodeLzw(const std::vector<uint8_t>& data, int nMinCode, size_t nPixels, std::vector<uint8_t>& out,
               std::string& szWhy) {
  const int nClear = 1 << nMinCode, nEnd = nClear + 1;
  std::vector<int> prefix(4096, -1);
  std::vector<uint8_t> suffix(4096, 0);
  std::vector<int> length(4096, 0);
  for (int i = 0; i < nClear; ++i) {
    suffix[i] = static_cast<uint8_t>(i);
    length[i] = 1;
  }
  int nCodeSize = nMinCode + 1, nNext = nEnd + 1, nPrev = -1;
  size_t nBitPos = 0;
  const size_t nBits = data.size() * 8;
  std::vector<uint8_t> string;
  auto emit = [&](int code) {
    string.assign(length[code], 0);
    for (int c = code, i = length[code] - 1; i >= 0; --i, c = prefix[c]) string[i] = suffix[c];
    out.insert(out.end(), string.begin(), string.end());
  };
  for (;;) {
    if (nBitPos + nCodeSize > nBits) {
      szWhy = "LZW data end without end code";
      return false;
    }
    int code = 0;
    for (int i = 0; i < nCodeSize; ++i, ++nBitPos)
      code |= ((data[nBitPos >> 3] >> (nBitPos & 7)) & 1) << i;
    if (code == nClear) {
      nCodeSize = nMinCode + 1;
      nNext = nEnd + 1;
      nPrev = -1;
      continue;
    }
    if (code == nEnd) break;
    if (nPrev < 0) {
      if (code >= nClear) {
        szWhy = "bad first code";
        return false;
      }
      emit(code);
      nPrev = code;
      continue;
    }
    uint8_t first;
    if (code < nNext) {
      emit(code);
      first = string[0];
    } else if (code == nNext) {
      emit(nPrev);
      first = string[0];
      out.push_back(first);
    } else {
      szWhy = "code out of range";
      return false;
    }
    if (nNext < 4096) {
      prefix[nNext] = nPrev;
      suffix[nNext] = first;
      length[nNext] = length[nPrev] + 1;
      ++nNext;
      if (nNext == (1 << nCodeSize) && nCodeSize < 12) ++nCodeSize;
    }
    nPrev = code;
  }
  if (out.size() != nPixels) {
    szWhy = "pixel count " + std::to_string(out.size()) + " instead of " + std::to_string(nPixels);
    return false;
  }
  return true;
}

}  // namespace

GifRefColor GifRefFrame::Color(const std::vector<GifRefColor>& global, int x, int y) const {
  const std::vector<GifRefColor>& table = localTable.empty() ? global : localTable;
  const uint8_t idx = indices[static_cast<size_t>(y) * nWidth + x];
  return idx < table.size() ? table[idx] : GifRefColor{};
}

bool DecodeGifReference(const std::vector<uint8_t>& bytes, GifRefFile& out, std::string& szWhy) {
  Reader in(bytes);
  out = GifRefFile();
  if (!in.Has(13) || std::string(bytes.begin(), bytes.begin() + 6) != "GIF89a") return szWhy = "no GIF89a header", false;
  in.Skip(6);
  out.nWidth = in.U16();
  out.nHeight = in.U16();
  out.nPacked = in.U8();
  out.nBackground = in.U8();
  in.U8();
  if ((out.nPacked & 0x80) && !ReadTable(in, 2 << (out.nPacked & 7), out.globalTable))
    return szWhy = "short global table", false;
  GifRefFrame pending;
  for (;;) {
    if (!in.Has(1)) return szWhy = "no trailer", false;
    const uint8_t block = in.U8();
    if (block == 0x3B) {
      out.bTrailer = true;
      return true;
    }
    if (block == 0x21) {
      if (!in.Has(2)) return szWhy = "short extension", false;
      const uint8_t label = in.U8();
      std::vector<uint8_t> data;
      if (label == 0xF9) {
        if (!in.Has(6) || in.U8() != 4) return szWhy = "bad graphic control", false;
        pending.bHasControl = true;
        pending.nControlPacked = in.U8();
        pending.nDelay = in.U16();
        pending.nTransparent = in.U8();
        if (in.U8() != 0) return szWhy = "graphic control not terminated", false;
      } else if (label == 0xFF) {
        if (!in.Has(12) || in.U8() != 11) return szWhy = "bad application extension", false;
        const std::string id(reinterpret_cast<const char*>(in.Ptr()), 11);
        in.Skip(11);
        if (!ReadSubBlocks(in, data)) return szWhy = "short application extension", false;
        if (id == "NETSCAPE2.0" && data.size() == 3 && data[0] == 1) {
          out.bHasLoop = true;
          out.nLoopCount = data[1] | (data[2] << 8);
        }
      } else if (!ReadSubBlocks(in, data)) {
        return szWhy = "short extension", false;
      }
      continue;
    }
    if (block != 0x2C) return szWhy = "unknown block " + std::to_string(block), false;
    if (!in.Has(9)) return szWhy = "short image descriptor", false;
    GifRefFrame frame = pending;
    pending = GifRefFrame();
    frame.nLeft = in.U16();
    frame.nTop = in.U16();
    frame.nWidth = in.U16();
    frame.nHeight = in.U16();
    frame.nPacked = in.U8();
    if ((frame.nPacked & 0x80) && !ReadTable(in, 2 << (frame.nPacked & 7), frame.localTable))
      return szWhy = "short local table", false;
    if (!in.Has(1)) return szWhy = "no code size", false;
    frame.nMinCodeSize = in.U8();
    if (frame.nMinCodeSize < 2 || frame.nMinCodeSize > 11) return szWhy = "bad code size", false;
    std::vector<uint8_t> data;
    if (!ReadSubBlocks(in, data)) return szWhy = "short image data", false;
    if (!DecodeLzw(data, frame.nMinCodeSize, static_cast<size_t>(frame.nWidth) * frame.nHeight, frame.indices, szWhy))
      return false;
    out.frames.push_back(std::move(frame));
  }
}
