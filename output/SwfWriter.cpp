#include "output/SwfWriter.h"

#include "base/AtomicFile.h"
#include "base/Limits.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>

#include "base/UniqueFile.h"
#include "image/JpegGlue.h"

namespace {

constexpr int kTwips = 20;
// The tag record size the out-of-memory message has always quoted.
constexpr int kTagRecordSize = 32;

// Pixels to twips, saturating: absurd sizes then meet the encoders' own range checks
// instead of overflowing.
int32_t ToTwips(int px) {
  const int64_t t = static_cast<int64_t>(px) * kTwips;
  return static_cast<int32_t>(std::max<int64_t>(-0x7FFFFFFF, std::min<int64_t>(0x7FFFFFFF, t)));
}

// libjpeg destination that fills a tag's buffer through a fixed intermediate buffer.
struct TagDestination {
  jpeg_destination_mgr pub;  // first member: the library sees only this part
  CSwfTag* pTag;
  bool bOutOfMemory;
  JOCTET buffer[32768];
};

bool FlushDestination(TagDestination* d, size_t n) {
  try {
    d->pTag->PutBytes(d->buffer, n);
    return true;
  } catch (const std::bad_alloc&) {
    d->bOutOfMemory = true;
    return false;
  }
}

void DestInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TagDestination*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = sizeof d->buffer;
}

boolean DestEmpty(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TagDestination*>(cinfo->dest);
  if (!FlushDestination(d, sizeof d->buffer)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = sizeof d->buffer;
  return TRUE;
}

void DestTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TagDestination*>(cinfo->dest);
  if (!FlushDestination(d, sizeof d->buffer - d->pub.free_in_buffer)) {
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  }
}

enum class ReencodeResult { Ok, Failed, Ycck, TooLarge };

// Decompresses the file and compresses its pixels into the tag as a tables stream followed
// by an abbreviated image stream. Nothing with a destructor lives here: a libjpeg error
// longjmps back to the setjmp below.
ReencodeResult ReencodeJpeg(FILE* fp, CSwfTag& tag, int nQuality, TagDestination& dest,
                            char* szError) {
  jpeg_decompress_struct din;
  jpeg_compress_struct cout;
  JpegErrorManager jerr;
  std::memset(&din, 0, sizeof din);
  std::memset(&cout, 0, sizeof cout);
  din.err = JpegErrorManagerInit(jerr);
  cout.err = din.err;
  if (setjmp(jerr.jump)) {
    std::memcpy(szError, jerr.szMessage, JMSG_LENGTH_MAX);
    jpeg_destroy_compress(&cout);
    jpeg_destroy_decompress(&din);
    return ReencodeResult::Failed;
  }

  jpeg_create_decompress(&din);
  jpeg_stdio_src(&din, fp);
  jpeg_read_header(&din, TRUE);
  if (din.out_color_space != JCS_RGB && din.out_color_space != JCS_GRAYSCALE) {
    jpeg_destroy_decompress(&din);
    return ReencodeResult::Ycck;
  }
  if (din.image_width > JDIMENSION(kMaxOutputSide) || din.image_height > JDIMENSION(kMaxOutputSide)) {
    jpeg_destroy_decompress(&din);
    return ReencodeResult::TooLarge;
  }
  jpeg_start_decompress(&din);
  const JDIMENSION w = din.output_width;
  const int nComponents = din.output_components;
  JSAMPARRAY inRow = (*din.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&din), JPOOL_IMAGE,
                                               w * static_cast<JDIMENSION>(nComponents), 1);
  JSAMPARRAY rgbRow =
      (*din.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&din), JPOOL_IMAGE, w * 3, 1);

  jpeg_create_compress(&cout);
  dest.pub.init_destination = DestInit;
  dest.pub.empty_output_buffer = DestEmpty;
  dest.pub.term_destination = DestTerm;
  dest.pTag = &tag;
  dest.bOutOfMemory = false;
  cout.dest = &dest.pub;
  cout.image_width = w;
  cout.image_height = din.output_height;
  cout.input_components = 3;
  cout.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cout);
  jpeg_set_quality(&cout, nQuality, TRUE);
  // Tables first, as their own stream; the image stream that follows carries none.
  jpeg_write_tables(&cout);
  jpeg_suppress_tables(&cout, TRUE);
  jpeg_start_compress(&cout, FALSE);

  while (din.output_scanline < din.output_height) {
    jpeg_read_scanlines(&din, inRow, 1);
    JSAMPROW out = nComponents == 3 ? inRow[0] : rgbRow[0];
    if (nComponents == 1) {
      for (JDIMENSION x = 0; x < w; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = inRow[0][x];
    }
    jpeg_write_scanlines(&cout, &out, 1);
  }
  jpeg_finish_compress(&cout);
  jpeg_finish_decompress(&din);
  jpeg_destroy_compress(&cout);
  jpeg_destroy_decompress(&din);
  return ReencodeResult::Ok;
}

void ReportOutOfMemory() {
  std::fprintf(stderr, "FATAL: Out of memory (while trying to claim %d bytes)\n", kTagRecordSize);
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t r = ::write(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

size_t WrittenSize(const CSwfTag& tag) { return SwfTagHeader(tag).size() + tag.Length(); }

bool WriteTag(int fd, const CSwfTag& tag) {
  const std::vector<uint8_t> head = SwfTagHeader(tag);
  if (head.size() == 2) {
    if (!WriteAll(fd, head.data(), 2)) {
      std::fputs("WriteTag() failed: Short Header.\n", stderr);
      return false;
    }
  } else {
    if (!WriteAll(fd, head.data(), 2)) {
      std::fputs("WriteTag() failed: Long Header (1).\n", stderr);
      return false;
    }
    if (!WriteAll(fd, head.data() + 2, 4)) {
      std::fputs("WriteTag() failed: Long Header (2).\n", stderr);
      return false;
    }
  }
  if (tag.Length() > 0 && !WriteAll(fd, tag.Data().data(), tag.Length())) {
    std::fputs("WriteTag() failed: Data.\n", stderr);
    return false;
  }
  return true;
}

}  // namespace

CSwfWriter::CSwfWriter()
    : m_nFrames(0),
      m_pLastTag(m_tags.end()),
      m_nJpegQuality(60),
      m_fFrameRate(15.0f),
      m_nWidth(0),
      m_nHeight(0),
      m_nNextId(1),
      m_nVersion(4),
      m_fScale(1.0f) {}

CSwfWriter::TagIter CSwfWriter::InsertTag(uint16_t nType) {
  TagIter pos = m_pLastTag == m_tags.end() ? m_tags.end() : std::next(m_pLastTag);
  m_pLastTag = m_tags.emplace(pos, nType);
  return m_pLastTag;
}

// Running out of memory abandons the movie (Write then reports it) instead of ending the
// program, which would lose the user's unsaved project.
void CSwfWriter::AbandonForMemory() {
  ReportOutOfMemory();
  m_bOutOfMemory = true;
  m_tags.clear();
  m_pLastTag = m_tags.end();
}

void CSwfWriter::Begin(int nWidth, int nHeight) {
  m_bOutOfMemory = false;
  m_tags.clear();
  m_pLastTag = m_tags.end();
  m_nJpegQuality = 60;
  m_fFrameRate = m_fRequestedRate;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  m_nNextId = 1;
  m_nVersion = 4;
  m_fScale = 1.0f;
  m_nFrames = 0;

  m_movie = MovieHeader();
  m_movie.nVersion = m_nVersion;
  m_movie.nFrameRate = static_cast<uint16_t>(m_fFrameRate * 256);
  m_movie.frame.xmax = ToTwips(nWidth);
  m_movie.frame.ymax = ToTwips(nHeight);

  try {
    CSwfTag& bg = *InsertTag(kTagSetBackgroundColor);
    bg.PutRgb(0, 0, 0);
  } catch (const std::bad_alloc&) {
    AbandonForMemory();
  }
}

void CSwfWriter::AppendJpegData(CSwfTag& tag, const std::string& szJpegPath) {
  UniqueFile file = OpenFile(szJpegPath, "rb");
  if (!file) {
    std::fputs("swf: file open error\n", stderr);
    return;
  }
  const size_t nIdOnly = tag.Length();
  auto* pDest = new TagDestination();  // zeroed: an early failure leaves the flags false
  char szError[JMSG_LENGTH_MAX] = {0};
  const ReencodeResult r = ReencodeJpeg(file.get(), tag, m_nJpegQuality, *pDest, szError);
  const bool bOutOfMemory = pDest->bOutOfMemory;
  delete pDest;
  file.reset();
  if (r == ReencodeResult::Ok) return;
  // A bitmap that could not be made holds only its id, like one whose file is missing.
  tag.Truncate(nIdOnly);
  if (bOutOfMemory) throw std::bad_alloc();
  if (r == ReencodeResult::Ycck) {
    std::fputs("Error: Can't convert YCCK to RGB.\n", stderr);
  } else if (r == ReencodeResult::TooLarge) {
    std::fprintf(stderr, "swf: picture too large: %s\n", szJpegPath.c_str());
  } else {
    std::fprintf(stderr, "swf: %s: %s\n", szJpegPath.c_str(), szError);
  }
}

void CSwfWriter::AddJpegFrame(const std::string& szJpegPath, int nWidth, int nHeight) {
  if (m_bOutOfMemory) return;
  try {
    AddFrameTags(szJpegPath, nWidth, nHeight);
  } catch (const std::bad_alloc&) {
    AbandonForMemory();
  }
}

void CSwfWriter::AddFrameTags(const std::string& szJpegPath, int nWidth, int nHeight) {
  const int b = m_nNextId;
  const int32_t w = ToTwips(nWidth), h = ToTwips(nHeight);

  CSwfTag& bits = *InsertTag(kTagDefineBitsJpeg2);
  bits.PutU16(static_cast<uint16_t>(b));
  AppendJpegData(bits, szJpegPath);

  CSwfTag& shape = *InsertTag(kTagDefineShape);
  shape.PutU16(static_cast<uint16_t>(b + 1));
  SwfRect bounds;
  bounds.xmax = w;
  bounds.ymax = h;
  shape.PutRect(bounds);
  shape.PutU8(1);     // one fill style
  shape.PutU8(0x41);  // clipped bitmap fill
  shape.PutU16(static_cast<uint16_t>(b));
  shape.PutMatrix(20 << 16, 20 << 16, 0, 0, 0, 0);  // one bitmap pixel per 20 twips
  shape.PutU8(0);  // no line styles
  shape.PutBits(1, 4);  // fill index bits
  shape.PutBits(0, 4);  // line index bits
  // Style change: move to (0, 0), fill style 0 = 1.
  shape.PutBits(0, 1);
  shape.PutBits(0x03, 5);  // new styles 0, line 0, fill 1 0, fill 0 1, move 1
  shape.PutBits(0, 5);     // move size 0: (0, 0)
  shape.PutBits(1, 1);
  shape.PutStraightEdge(w, 0);
  shape.PutStraightEdge(0, h);
  shape.PutStraightEdge(-w, 0);
  shape.PutStraightEdge(0, -h);
  shape.PutBits(0, 6);  // end of shape

  if (m_nFrames != 0) {
    CSwfTag& remove = *InsertTag(kTagRemoveObject2);
    remove.PutU16(1);
  }

  CSwfTag& place = *InsertTag(kTagPlaceObject2);
  const int32_t tx = static_cast<int32_t>((m_movie.frame.xmax - w * static_cast<double>(m_fScale)) / 2);
  const int32_t ty = static_cast<int32_t>((m_movie.frame.ymax - h * static_cast<double>(m_fScale)) / 2);
  const int32_t scale = static_cast<int32_t>(m_fScale * 65536);
  const bool bUnit = scale == 0x10000 && tx == 0 && ty == 0;
  place.PutU8(bUnit ? 0x02 : 0x06);
  place.PutU16(1);  // depth
  place.PutU16(static_cast<uint16_t>(b + 1));
  if (!bUnit) place.PutMatrix(scale, scale, 0, 0, tx, ty);

  InsertTag(kTagShowFrame);
  m_nNextId = b + 2;
  ++m_nFrames;
}

bool CSwfWriter::WriteSwf(int fd) {
  const bool bHasMarker =
      (!m_tags.empty() && m_tags.front().Type() == kTagMarker) ||
      (m_tags.size() > 1 && std::next(m_tags.begin())->Type() == kTagMarker);
  if (!bHasMarker) {
    CSwfTag marker(kTagMarker);
    const uint8_t kst[3] = {'k', 's', 't'};
    marker.PutBytes(kst, 3);
    m_tags.push_front(std::move(marker));
  }

  int nFrames = 0;
  uint16_t nPrevType = 0xFFFF;
  size_t nTagBytes = 0;
  for (const CSwfTag& t : m_tags) {
    if (t.Type() == kTagShowFrame) ++nFrames;
    if (t.Type() == kTagEnd && nPrevType != kTagShowFrame) ++nFrames;
    nPrevType = t.Type();
    nTagBytes += WrittenSize(t);
  }
  m_movie.nFrameCount = static_cast<uint16_t>(nFrames);

  CSwfTag head;
  head.PutRect(m_movie.frame);
  head.PutU16(m_movie.nFrameRate);
  head.PutU16(m_movie.nFrameCount);
  m_movie.nFileSize = static_cast<uint32_t>(8 + head.Length() + nTagBytes);

  std::vector<uint8_t> header = {'F', 'W', 'S', static_cast<uint8_t>(m_movie.nVersion)};
  for (int i = 0; i < 4; ++i) header.push_back(static_cast<uint8_t>(m_movie.nFileSize >> (8 * i)));
  header.insert(header.end(), head.Data().begin(), head.Data().end());
  const ssize_t r = ::write(fd, header.data(), header.size());
  if (r != static_cast<ssize_t>(header.size())) {
    const int err = errno;
    std::fprintf(stderr, "ret:%d\n", static_cast<int>(r));
    std::fprintf(stderr, "write: %s\n", std::strerror(err));
    std::fputs("WriteSWF() failed: Header.\n", stderr);
    return false;
  }
  for (const CSwfTag& t : m_tags) {
    if (!WriteTag(fd, t)) return false;
  }
  return true;
}

int CSwfWriter::Write(const std::string& szPath) {
  int rc = 0;
  if (m_bOutOfMemory) {
    std::fprintf(stderr, "Unable to write output file: %s\n", szPath.c_str());
    m_bOutOfMemory = false;
    m_result = Result::Fail(ErrorKind::TooLarge, szPath + ": out of memory");
    return -1;
  }
  try {
    if (m_bPlayOnce) {
      // A stop action in the last frame: the player halts there instead of starting over.
      auto last = std::find_if(m_tags.rbegin(), m_tags.rend(),
                               [](const CSwfTag& t) { return t.Type() == kTagShowFrame; });
      if (last != m_tags.rend()) {
        CSwfTag& stop = *m_tags.emplace(std::prev(last.base()), kTagDoAction);
        stop.PutU8(0x07);  // ActionStop
        stop.PutU8(0x00);  // end of actions
      }
    }
    InsertTag(kTagEnd);
    // The movie takes its name only once it is complete: a failed write keeps an
    // existing file as it was.
    CAtomicFile file;
    std::string szError;
    bool bOk = file.Create(szPath, &szError) && WriteSwf(file.Fd());
    if (bOk) bOk = file.Commit(&szError);
    if (!bOk && szError.empty()) szError = szPath + ": " + std::strerror(errno);
    m_result = bOk ? Result::Success() : Result::Fail(ErrorKind::Io, szError);
    file.Discard();
    if (!bOk) {
      std::fprintf(stderr, "Unable to write output file: %s\n", szPath.c_str());
      rc = -1;
    }
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
    m_result = Result::Fail(ErrorKind::TooLarge, szPath + ": out of memory");
    std::fprintf(stderr, "Unable to write output file: %s\n", szPath.c_str());
    rc = -1;
  }
  m_tags.clear();
  m_pLastTag = m_tags.end();
  return rc;
}
