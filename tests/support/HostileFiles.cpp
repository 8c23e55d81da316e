#include "support/HostileFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <cstring>

namespace {

void PutLe(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void PutPngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  PutBe32(out, static_cast<uint32_t>(body.size()));
  const size_t at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutBe32(out, static_cast<uint32_t>(crc32(0, out.data() + at, static_cast<uInt>(out.size() - at))));
}

std::vector<uint8_t> Encoded(const TempDir& dir, int type, const std::string& name) {
  const std::string path = dir.File(name);
  EXPECT_TRUE(MakePatternPicture(40, 30, type).Save(path, type)) << name;
  return ReadFileBytes(path);
}

}  // namespace

std::vector<uint8_t> ProjectFileBytesOf(const std::string& path1, const std::string& path2,
                                        const std::vector<std::array<int32_t, 4>>& pairs, int32_t count1,
                                        int32_t count2) {
  std::vector<uint8_t> b(520 + 16 * pairs.size(), 0);
  std::memcpy(b.data(), path1.data(), std::min<size_t>(path1.size(), 255));
  PutLe(b, 256, count1);
  std::memcpy(b.data() + 260, path2.data(), std::min<size_t>(path2.size(), 255));
  PutLe(b, 516, count2);
  for (size_t i = 0; i < pairs.size(); ++i)
    for (size_t k = 0; k < 4; ++k) PutLe(b, 520 + 16 * i + 4 * k, pairs[i][k]);
  return b;
}

std::vector<uint8_t> PngBomb(uint32_t width, uint32_t height) {
  std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBe32(ihdr, width);
  PutBe32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  PutPngChunk(f, "IHDR", ihdr);
  std::vector<uint8_t> raw(64, 0), z(128);
  uLongf n = z.size();
  compress(z.data(), &n, raw.data(), raw.size());
  z.resize(n);
  PutPngChunk(f, "IDAT", z);
  PutPngChunk(f, "IEND", {});
  return f;
}

std::vector<uint8_t> JpegBomb(const TempDir& dir, int width, int height) {
  const std::string path = dir.File("small.jpg");
  EXPECT_TRUE(MakePatternPicture(16, 16).Save(path, PICTURE_JPEG));
  std::vector<uint8_t> f = ReadFileBytes(path);
  for (size_t i = 2; i + 9 < f.size(); ++i) {
    if (f[i] == 0xFF && f[i + 1] == 0xC0) {
      f[i + 5] = static_cast<uint8_t>(height >> 8);
      f[i + 6] = static_cast<uint8_t>(height);
      f[i + 7] = static_cast<uint8_t>(width >> 8);
      f[i + 8] = static_cast<uint8_t>(width);
      return f;
    }
  }
  ADD_FAILURE() << "no baseline frame header in the encoded JPEG";
  return f;
}

std::vector<HostileFile> HostilePictures(const TempDir& dir) {
  std::vector<HostileFile> files = {
      {"empty.png", {}},
      {"text.bmp", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}},
      {"huge.png", PngBomb(16384, 16384)},
      {"large.png", PngBomb(12000, 12000)},
      {"huge.jpg", JpegBomb(dir, 16384, 16384)},
      {"large.jpg", JpegBomb(dir, 12000, 12000)},
  };
  const std::pair<int, const char*> formats[] = {{PICTURE_BMP, "bmp"}, {PICTURE_PNG, "png"}, {PICTURE_JPEG, "jpg"},
                                                 {PICTURE_GIF, "gif"}, {PICTURE_TIFF, "tif"}, {PICTURE_TGA, "tga"},
                                                 {PICTURE_PCX, "pcx"}};
  for (const auto& [type, ext] : formats) {
    const std::vector<uint8_t> whole = Encoded(dir, type, std::string("whole.") + ext);
    files.push_back({std::string("header-cut.") + ext, {whole.begin(), whole.begin() + std::min<long>(10, long(whole.size()))}});
    // A GIF cut after its first rows still shows those rows, as viewers do: not hostile.
    if (type != PICTURE_GIF)
      files.push_back({std::string("body-cut.") + ext, {whole.begin(), whole.begin() + long(whole.size() / 2)}});
  }
  return files;
}

std::vector<HostileFile> HostileProjects(const TempDir& dir, const std::string& picture) {
  const std::vector<std::array<int32_t, 4>> frame = {
      {0, 0, 0, 0}, {0, 29, 0, 29}, {39, 0, 39, 0}, {39, 29, 39, 29}, {20, 15, 20, 15}};
  const std::vector<uint8_t> good = ProjectFileBytesOf(picture, picture, frame, 4, 4);
  std::vector<HostileFile> files = {{"empty.fmph", {}}};
  // Cut in the first path, in the first count, in the second path, in a pair.
  for (size_t len : {100u, 258u, 400u, 530u, 599u})
    files.push_back({"cut-" + std::to_string(len) + ".fmph", {good.begin(), good.begin() + long(len)}});
  for (int32_t count : {-1, INT_MIN, 128, INT_MAX})
    files.push_back({"count-" + std::to_string(count) + ".fmph", ProjectFileBytesOf(picture, picture, frame, count, count)});
  std::vector<uint8_t> unterminated = good;
  std::memset(unterminated.data(), 'x', 256);
  files.push_back({"unterminated.fmph", unterminated});
  files.push_back({"no-extension.fmph", ProjectFileBytesOf(dir.File("noext"), picture, frame, 4, 4)});
  files.push_back({"missing-picture.fmph", ProjectFileBytesOf(picture, dir.File("gone.png"), frame, 4, 4)});
  // Only the four corners: all on one circle, no triangulation.
  files.push_back({"corners.fmph", ProjectFileBytesOf(picture, picture,
                                                      {frame[0], frame[1], frame[2], frame[3]}, 3, 3)});
  for (const HostileFile& bad : HostilePictures(dir)) {
    WriteFileBytes(dir.File("bad-" + bad.name), bad.bytes);
    files.push_back({"names-" + bad.name + ".fmph", ProjectFileBytesOf(picture, dir.File("bad-" + bad.name), frame, 4, 4)});
  }
  return files;
}
