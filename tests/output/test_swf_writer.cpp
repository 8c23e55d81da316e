// CSwfWriter: movies are read back by the tests' own SWF reader (support/SwfReference.h),
// the bitmaps decoded with libjpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "output/SwfBitWriter.h"
#include "output/SwfWriter.h"
#include "support/PictureChecks.h"
#include "support/SwfReference.h"
#include "support/TestSupport.h"

namespace {

// Checks one frame's shape: the rectangle 0..w by 0..h twips filled with bitmap `bitmapId`.
void ExpectRectangleShape(const SwfRefShape& s, int id, int bitmapId, int32_t w, int32_t h) {
  ASSERT_EQ(s.error, "");
  EXPECT_EQ(s.id, id);
  EXPECT_EQ(s.bounds.xmin, 0);
  EXPECT_EQ(s.bounds.xmax, w);
  EXPECT_EQ(s.bounds.ymin, 0);
  EXPECT_EQ(s.bounds.ymax, h);
  EXPECT_EQ(s.fillType, 0x41);
  EXPECT_EQ(s.bitmapId, bitmapId);
  EXPECT_TRUE(s.bitmapMatrix.bScale);
  EXPECT_EQ(s.bitmapMatrix.sx, 0x140000);
  EXPECT_EQ(s.bitmapMatrix.sy, 0x140000);
  EXPECT_FALSE(s.bitmapMatrix.bRotate);
  EXPECT_EQ(s.bitmapMatrix.nTranslateBits, 0);
  EXPECT_EQ(s.lineCount, 0);
  EXPECT_EQ(s.fillBits, 1);
  EXPECT_EQ(s.lineBits, 0);
  EXPECT_EQ(s.styleFlags, 0x03);
  EXPECT_EQ(s.moveBits, 0);
  EXPECT_EQ(s.fill0, 1);
  EXPECT_TRUE(s.bEnded);
  // Walk the outline: it must visit the four corners in order and close.
  int32_t x = 0, y = 0;
  std::vector<std::pair<int32_t, int32_t>> corners;
  for (const SwfRefEdge& e : s.edges) {
    EXPECT_LE(e.nBits, 17);
    x += e.dx;
    y += e.dy;
    if ((x == 0 || x == w) && (y == 0 || y == h)) corners.emplace_back(x, y);
  }
  const std::vector<std::pair<int32_t, int32_t>> expected = {{w, 0}, {w, h}, {0, h}, {0, 0}};
  EXPECT_EQ(corners, expected);
}

}  // namespace

// ---------------------------------------------------------------- tests

TEST(SwfBits, RectAndMatrixEncodeAsTheFormatDefines) {
  CSwfTag t(2);
  SwfRect r;
  r.xmax = 6400;
  r.ymax = 4800;
  t.PutRect(r);
  // 5 + 4 * 14 bits = 61 bits: 8 bytes, the first holding 01110 (14) and the top bits of 0.
  ASSERT_EQ(t.Length(), 8u);
  EXPECT_EQ(t.Data()[0], 0x70);
  SwfBitReader br(t.Data().data(), t.Length());
  int nBits = 0;
  SwfRect back = ReadSwfRect(br, &nBits);
  EXPECT_EQ(nBits, 14);
  EXPECT_EQ(back.xmax, 6400);
  EXPECT_EQ(back.ymax, 4800);

  // Negative values and a byte write after a partial byte.
  CSwfTag m(2);
  m.PutBits(1, 3);
  m.PutMatrix(-0x8000, 0x30000, 5, -7, -20, 41);
  m.PutU8(0xAB);
  SwfBitReader mr(m.Data().data(), m.Length());
  EXPECT_EQ(mr.UB(3), 1u);
  SwfRefMatrix mx = ReadSwfMatrix(mr);
  EXPECT_EQ(mx.sx, -0x8000);
  EXPECT_EQ(mx.sy, 0x30000);
  EXPECT_EQ(mx.r0, 5);
  EXPECT_EQ(mx.r1, -7);
  EXPECT_EQ(mx.tx, -20);
  EXPECT_EQ(mx.ty, 41);
  EXPECT_EQ(mr.U8(), 0xABu);
  EXPECT_EQ(mr.BytePos(), m.Length());

  EXPECT_EQ(SwfSignedBits(0), 0);
  EXPECT_EQ(SwfSignedBits(1), 2);
  EXPECT_EQ(SwfSignedBits(-1), 1);
  EXPECT_EQ(SwfSignedBits(65535), 17);
  EXPECT_EQ(SwfSignedBits(-65536), 17);
  EXPECT_EQ(SwfSignedBits(65536), 18);
}

TEST(SwfBits, OversizedValuesGiveTheirMessages) {
  CSwfTag t(2);
  SwfRect r;
  r.xmax = 0x7FFFFFFF;
  testing::internal::CaptureStderr();
  t.PutRect(r);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "swf: Warning: num_bits overflow in SetRect\n");
  EXPECT_EQ(t.Data()[0] >> 3, 31);

  CSwfTag m(26);
  testing::internal::CaptureStderr();
  m.PutMatrix(0x10000, 0x10000, 0, 0, 0x7FFFFFFF, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "swf: Error: matrix values too large\n");
}

TEST(SwfBits, TagHeadersSwitchToTheLongFormAtSixtyThreeBytes) {
  std::vector<uint8_t> payload(64, 0x11);
  CSwfTag shortTag(9);
  shortTag.PutBytes(payload.data(), 62);
  EXPECT_EQ(SwfTagHeader(shortTag), (std::vector<uint8_t>{(9 * 64 + 62) & 0xFF, (9 * 64 + 62) >> 8}));

  CSwfTag longTag(9);
  longTag.PutBytes(payload.data(), 63);
  EXPECT_EQ(SwfTagHeader(longTag),
            (std::vector<uint8_t>{(9 * 64 + 63) & 0xFF, (9 * 64 + 63) >> 8, 63, 0, 0, 0}));

  for (uint16_t type : {6, 19, 20, 21, 35, 36}) {
    CSwfTag bitmapTag(type);
    bitmapTag.PutU16(1);
    EXPECT_EQ(SwfTagHeader(bitmapTag).size(), 6u) << type;
  }
  CSwfTag marker(777);
  marker.PutBytes(reinterpret_cast<const uint8_t*>("kst"), 3);
  EXPECT_EQ(SwfTagHeader(marker), (std::vector<uint8_t>{(777 * 64 + 3) & 0xFF, (777 * 64 + 3) >> 8}));
}

TEST(SwfBits, LongEdgesAreSplitAndOverlongOnesLeftOut) {
  struct Case {
    int32_t dx, dy;
    size_t nEdges;
  };
  const Case cases[] = {
      {65535, 0, 1},         // 17 bits: fits
      {0, -65536, 1},        // 17 bits: fits
      {65536, 0, 2},         // 18 bits: two halves
      {-131071, 5, 2},       // 18 bits, general edge
      {-131073, 5, 3},       // 19 bits: one half still needs 18 and is split again
      {4194303, -4194304, 0},  // 23 bits: halves
      {4194304, -3, 0},      // 24 bits: too long
      {2097151, 0, 0},       // 22 bits: the halves are split again (count not fixed)
  };
  for (const Case& c : cases) {
    CSwfTag t(2);
    testing::internal::CaptureStderr();
    t.PutStraightEdge(c.dx, c.dy);
    t.PutBits(0, 6);  // end record, so the reader stops
    const std::string err = testing::internal::GetCapturedStderr();
    std::vector<SwfRefEdge> edges;
    SwfBitReader br(t.Data().data(), t.Length());
    while (br.UB(1) == 1) {
      ASSERT_EQ(br.UB(1), 1u);
      edges.push_back(ReadSwfStraightEdge(br));
    }
    if (c.dx == 4194304) {
      EXPECT_TRUE(edges.empty());
      EXPECT_EQ(err, "Warning: Line to 209715.20,-0.15 is too long\n");
      continue;
    }
    EXPECT_EQ(err, "");
    if (c.nEdges != 0) EXPECT_EQ(edges.size(), c.nEdges) << c.dx << "," << c.dy;
    else EXPECT_GT(edges.size(), 2u);
    int64_t sx = 0, sy = 0;
    for (const SwfRefEdge& e : edges) {
      EXPECT_LE(e.nBits, 17);
      EXPECT_GE(e.nBits, 2);
      EXPECT_EQ(e.bGeneral, e.dx != 0 && e.dy != 0);
      sx += e.dx;
      sy += e.dy;
    }
    EXPECT_EQ(sx, c.dx);
    EXPECT_EQ(sy, c.dy);
  }
}

class SwfMovieTest : public testing::Test {
 protected:
  TempDir m_dir;
  std::string Jpeg(int i) const { return m_dir.File("2-" + std::to_string(i) + ".jpg"); }
  void MakeFrames(int n, int w, int h) {
    for (int i = 0; i < n; ++i) WriteFrameJpeg(Jpeg(i), SwfFramePixels(w, h, i), w, h, 3);
  }
  SwfRefMovie WriteAndParse(CSwfWriter& swf, const std::string& name) {
    const std::string path = m_dir.File(name);
    EXPECT_EQ(swf.Write(path), 0);
    return ParseSwf(ReadFileBytes(path));
  }
};

// The movie an output run builds with N = 4 at 320 x 240: frames 0..4, then 4..0.
TEST_F(SwfMovieTest, OutputRunMovieHasTheExpectedTagsAndPictures) {
  const int W = 320, H = 240, N = 4;
  MakeFrames(N + 1, W, H);
  CSwfWriter swf;
  swf.Begin(W, H);
  std::vector<int> order;
  for (int i = 0; i <= N; ++i) order.push_back(i);
  for (int i = N; i >= 0; --i) order.push_back(i);
  for (int i : order) swf.AddJpegFrame(Jpeg(i), W, H);
  EXPECT_EQ(swf.GetFrameCount(), 10);

  SwfRefMovie m = WriteAndParse(swf, "movie.swf");
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.version, 4);
  EXPECT_EQ(m.frame.xmin, 0);
  EXPECT_EQ(m.frame.xmax, 6400);
  EXPECT_EQ(m.frame.ymin, 0);
  EXPECT_EQ(m.frame.ymax, 4800);
  EXPECT_EQ(m.rateLow, 0x00);
  EXPECT_EQ(m.rateHigh, 0x0F);
  EXPECT_EQ(m.frameCount, 10);

  ASSERT_GE(m.tags.size(), 3u);
  EXPECT_EQ(m.tags[0].type, 777);
  EXPECT_EQ(m.tags[0].data, (std::vector<uint8_t>{'k', 's', 't'}));
  EXPECT_FALSE(m.tags[0].bLongHeader);
  EXPECT_EQ(m.tags[1].type, 9);
  EXPECT_EQ(m.tags[1].data, (std::vector<uint8_t>{0, 0, 0}));

  size_t t = 2;
  for (int frame = 1; frame <= 10; ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    const int bitmapId = 2 * frame - 1;
    ASSERT_LT(t, m.tags.size());
    const SwfRefTag& bits = m.tags[t++];
    ASSERT_EQ(bits.type, 21);
    EXPECT_TRUE(bits.bLongHeader);
    ASSERT_GE(bits.data.size(), 2u);
    EXPECT_EQ(bits.data[0] | bits.data[1] << 8, bitmapId);
    const size_t tablesEnd = EndOfJpegTables(bits.data, 2);
    ASSERT_GT(tablesEnd, 0u) << "no tables stream";
    EXPECT_TRUE(HasJpegMarker(bits.data, 2, tablesEnd, 0xDB));   // quantisation tables
    EXPECT_TRUE(HasJpegMarker(bits.data, 2, tablesEnd, 0xC4));   // Huffman tables
    EXPECT_FALSE(HasJpegMarker(bits.data, tablesEnd, bits.data.size(), 0xDB));  // abbreviated
    EXPECT_FALSE(HasJpegMarker(bits.data, tablesEnd, bits.data.size(), 0xC4));
    SwfJpegImage img = DecodeSwfJpeg(bits.data, 2, tablesEnd);
    ASSERT_TRUE(img.bOk);
    EXPECT_EQ(img.w, W);
    EXPECT_EQ(img.h, H);
    EXPECT_EQ(img.comps, 3);
    EXPECT_LT(MeanAbsoluteDifference(img.rgb, SwfFramePixels(W, H, order[frame - 1])), 4.0);

    ASSERT_LT(t, m.tags.size());
    const SwfRefTag& shape = m.tags[t++];
    ASSERT_EQ(shape.type, 2);
    ExpectRectangleShape(ParseSwfShape(shape.data), bitmapId + 1, bitmapId, W * 20, H * 20);

    if (frame > 1) {
      ASSERT_LT(t, m.tags.size());
      const SwfRefTag& remove = m.tags[t++];
      ASSERT_EQ(remove.type, 28);
      EXPECT_EQ(remove.data, (std::vector<uint8_t>{1, 0}));
    }
    ASSERT_LT(t, m.tags.size());
    const SwfRefTag& place = m.tags[t++];
    ASSERT_EQ(place.type, 26);
    const uint8_t id = static_cast<uint8_t>(bitmapId + 1);
    EXPECT_EQ(place.data, (std::vector<uint8_t>{0x02, 1, 0, id, 0}));
    ASSERT_LT(t, m.tags.size());
    EXPECT_EQ(m.tags[t++].type, 1);
  }
  ASSERT_EQ(t + 1, m.tags.size());
  EXPECT_EQ(m.tags[t].type, 0);
  EXPECT_TRUE(m.tags[t].data.empty());
}

TEST_F(SwfMovieTest, EveryMovieStartsAfreshAndSmallFramesAreCentred) {
  MakeFrames(2, 40, 30);
  CSwfWriter swf;
  swf.Begin(40, 30);
  swf.AddJpegFrame(Jpeg(0), 40, 30);
  swf.AddJpegFrame(Jpeg(1), 40, 30);
  SwfRefMovie first = WriteAndParse(swf, "first.swf");
  ASSERT_EQ(first.error, "");

  // Second movie with the same writer: ids restart at 1, no RemoveObject2 in its first frame.
  swf.Begin(40, 30);
  EXPECT_EQ(swf.GetFrameCount(), 0);
  swf.AddJpegFrame(Jpeg(1), 20, 10);  // a frame smaller than the movie is placed in the middle
  SwfRefMovie second = WriteAndParse(swf, "second.swf");
  ASSERT_EQ(second.error, "");
  EXPECT_EQ(second.frameCount, 1);
  std::vector<int> types;
  for (const SwfRefTag& t : second.tags) types.push_back(t.type);
  EXPECT_EQ(types, (std::vector<int>{777, 9, 21, 2, 26, 1, 0}));
  EXPECT_EQ(second.tags[2].data[0], 1);
  const SwfRefTag& place = second.tags[4];
  ASSERT_GE(place.data.size(), 5u);
  EXPECT_EQ(place.data[0], 0x06);  // character and matrix
  EXPECT_EQ(place.data[3] | place.data[4] << 8, 2);
  SwfBitReader br(place.data.data() + 5, place.data.size() - 5);
  SwfRefMatrix mx = ReadSwfMatrix(br);
  EXPECT_FALSE(mx.bScale);
  EXPECT_FALSE(mx.bRotate);
  EXPECT_EQ(mx.tx, (800 - 400) / 2);
  EXPECT_EQ(mx.ty, (600 - 200) / 2);
}

TEST_F(SwfMovieTest, WideMoviesSplitTheirEdges) {
  // 3277 pixels = 65540 twips needs 18 bits: each horizontal side goes in two halves.
  const int W = 3277, H = 8;
  WriteFrameJpeg(Jpeg(0), SwfFramePixels(W, H, 0), W, H, 3);
  CSwfWriter swf;
  swf.Begin(W, H);
  swf.AddJpegFrame(Jpeg(0), W, H);
  SwfRefMovie m = WriteAndParse(swf, "wide.swf");
  ASSERT_EQ(m.error, "");
  ASSERT_GE(m.tags.size(), 4u);
  SwfRefShape s = ParseSwfShape(m.tags[3].data);
  ExpectRectangleShape(s, 2, 1, W * 20, H * 20);
  EXPECT_EQ(s.edges.size(), 6u);
}

TEST_F(SwfMovieTest, AbsurdSizesGiveWarningsAndAWellFormedFile) {
  MakeFrames(1, 8, 8);
  CSwfWriter swf;
  testing::internal::CaptureStderr();
  swf.Begin(200000000, 8);
  swf.AddJpegFrame(Jpeg(0), 200000000, 8);
  const std::string path = m_dir.File("absurd.swf");
  EXPECT_EQ(swf.Write(path), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("swf: Warning: num_bits overflow in SetRect\n"), std::string::npos);
  EXPECT_NE(err.find("is too long\n"), std::string::npos);
  SwfRefMovie m = ParseSwf(ReadFileBytes(path));
  EXPECT_EQ(m.error, "");
  EXPECT_EQ(m.frameCount, 1);
}

TEST_F(SwfMovieTest, GreyFramesAreExpandedToColour) {
  std::vector<uint8_t> grey(24 * 16);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i % 24 * 10);
  WriteFrameJpeg(Jpeg(0), grey, 24, 16, 1);
  CSwfWriter swf;
  swf.Begin(24, 16);
  swf.AddJpegFrame(Jpeg(0), 24, 16);
  SwfRefMovie m = WriteAndParse(swf, "grey.swf");
  ASSERT_EQ(m.error, "");
  const SwfRefTag& bits = m.tags[2];
  const size_t tablesEnd = EndOfJpegTables(bits.data, 2);
  SwfJpegImage img = DecodeSwfJpeg(bits.data, 2, tablesEnd);
  ASSERT_TRUE(img.bOk);
  EXPECT_EQ(img.comps, 3);
  std::vector<uint8_t> expected;
  for (uint8_t g : grey) expected.insert(expected.end(), {g, g, g});
  EXPECT_LT(MeanAbsoluteDifference(img.rgb, expected), 4.0);
}

TEST_F(SwfMovieTest, UnusableFramesKeepOnlyTheirBitmapId) {
  // Missing file, a file that is not a JPEG, and a YCCK JPEG.
  WriteFileBytes(m_dir.File("junk.jpg"), std::vector<uint8_t>(300, 0x42));
  {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    FILE* fp = std::fopen(m_dir.File("ycck.jpg").c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    jpeg_stdio_dest(&c, fp);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_YCCK);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(32, 128);
    while (c.next_scanline < c.image_height) {
      JSAMPROW r = row.data();
      jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(fp);
  }
  CSwfWriter swf;
  swf.Begin(8, 8);
  testing::internal::CaptureStderr();
  swf.AddJpegFrame(m_dir.File("missing.jpg"), 8, 8);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "swf: file open error\n");
  testing::internal::CaptureStderr();
  swf.AddJpegFrame(m_dir.File("ycck.jpg"), 8, 8);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Can't convert YCCK to RGB.\n");
  testing::internal::CaptureStderr();
  swf.AddJpegFrame(m_dir.File("junk.jpg"), 8, 8);
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");

  SwfRefMovie m = WriteAndParse(swf, "broken.swf");
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.frameCount, 3);
  int nBitmaps = 0;
  for (const SwfRefTag& t : m.tags) {
    if (t.type != 21) continue;
    ++nBitmaps;
    EXPECT_TRUE(t.bLongHeader);
    EXPECT_EQ(t.data, (std::vector<uint8_t>{static_cast<uint8_t>(2 * nBitmaps - 1), 0}));
  }
  EXPECT_EQ(nBitmaps, 3);
}

TEST_F(SwfMovieTest, WriteFailuresAreReported) {
  MakeFrames(1, 16, 16);
  CSwfWriter swf;
  swf.Begin(16, 16);
  swf.AddJpegFrame(Jpeg(0), 16, 16);
  const std::string bad = m_dir.File("no-such-folder/movie.swf");
  testing::internal::CaptureStderr();
  EXPECT_EQ(swf.Write(bad), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to write output file: " + bad + "\n");
  EXPECT_FALSE(std::filesystem::exists(bad));

  if (std::filesystem::exists("/dev/full")) {
    swf.Begin(16, 16);
    swf.AddJpegFrame(Jpeg(0), 16, 16);
    testing::internal::CaptureStderr();
    EXPECT_EQ(swf.Write("/dev/full"), -1);
    // A device is not a file the movie may replace.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to write output file: /dev/full\n");
    EXPECT_NE(swf.GetLastResult().FullText().find("device"), std::string::npos) << swf.GetLastResult().FullText();
  }

  // The writer is idle again and makes a sound movie next time.
  swf.Begin(16, 16);
  swf.AddJpegFrame(Jpeg(0), 16, 16);
  SwfRefMovie m = WriteAndParse(swf, "after.swf");
  EXPECT_EQ(m.error, "");
  EXPECT_EQ(m.frameCount, 1);
}
