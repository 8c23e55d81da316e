#include "output/FrameWriters.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "output/AviWriter.h"
#include "base/PathParts.h"
#include "output/FrameImage.h"
#include "output/OctreePalette.h"
#include "base/TempFolder.h"

namespace {

struct SequenceFormat {
  const char* szExtension;
  int nType;
};
// Tested in this order; the first found wins.
constexpr SequenceFormat kSequenceFormats[] = {
    {".bmp", PICTURE_BMP}, {".jpg", PICTURE_JPEG}, {".png", PICTURE_PNG}, {".gif", PICTURE_GIF},
    {".tif", PICTURE_TIFF}, {".tga", PICTURE_TGA}, {".pcx", PICTURE_PCX},
};

const char* ExtensionOfType(int nType) {
  for (const auto& format : kSequenceFormats)
    if (format.nType == nType) return format.szExtension;
  return nullptr;
}

std::string NoFormatText(const std::string& szPath) {
  return "No picture format in the file name " + szPath +
         ": it must contain .bmp, .jpg, .png, .gif, .tif, .tga or .pcx (lower case)";
}

Result SavePicture(const CPicture& picture, const std::string& szPath, int nType) {
  if (picture.Save(szPath, nType)) return Result::Success();
  std::string text = "Cannot write " + szPath;
  if (!picture.GetLastError().empty()) text += ": " + picture.GetLastError();
  return Result::Fail(ErrorKind::Io, text);
}

// Encodes the picture into a file that is not yet in place.
Result EncodePicture(const CPicture& picture, CAtomicFile& file, const std::string& szPath, int nType) {
  std::string szCause;
  if (!file.Create(szPath, &szCause) || !file.Stream())
    return Result::Fail(ErrorKind::Io, "Cannot write " + (szCause.empty() ? szPath : szCause));
  if (!picture.Encode(file.Stream(), nType) || !file.Finish(&szCause)) {
    std::string text = "Cannot write " + szPath;
    if (!picture.GetLastError().empty()) text += ": " + picture.GetLastError();
    else if (!szCause.empty()) text = "Cannot write " + szCause;
    file.Discard();
    return Result::Fail(ErrorKind::Io, text);
  }
  return Result::Success();
}

}  // namespace

int SequencePictureType(const std::string& szPath) {
  for (const auto& format : kSequenceFormats)
    if (szPath.find(format.szExtension) != std::string::npos) return format.nType;
  return 0;
}

std::string SequenceFrameName(const std::string& szPath, int nFrame) {
  const char* szExtension = ExtensionOfType(SequencePictureType(szPath));
  if (!szExtension) return std::string();
  // The path holds one of the four-character extensions, so it is at least that long.
  return szPath.substr(0, szPath.size() - 4) + std::to_string(nFrame) + szExtension;
}

Result GrabFrame(const FrameBitmap& bitmap, CPicture& picture) {
  std::string szError;
  if (GrabFrameImage(bitmap, picture, &szError)) return Result::Success();
  return Result::Fail(ErrorKind::TooLarge, szError);
}

bool COutputFrameWriter::Grab(const FrameBitmap& bitmap, CPicture& picture) {
  Result grabbed = GrabFrame(bitmap, picture);
  return grabbed.ok() || Fail(std::move(grabbed));
}

CSequenceFrameWriter::CSequenceFrameWriter(std::string szPath)
    : m_szPath(std::move(szPath)),
      m_worker(
          [this](const FrameBitmap& bitmap, int nFrame) {
            CPicture picture;
            Result done = GrabFrame(bitmap, picture);
            if (!done) return done;
            // Every frame waits under a temporary name until the whole run is done.
            m_frames.emplace_back();
            done = EncodePicture(picture, m_frames.back(), SequenceFrameName(m_szPath, nFrame),
                                 SequencePictureType(m_szPath));
            if (!done) m_frames.pop_back();
            return done;
          },
          "Picture") {}

bool CSequenceFrameWriter::Begin() {
  if (!SequencePictureType(m_szPath)) return Fail(ErrorKind::InvalidInput, NoFormatText(m_szPath));
  return true;
}

bool CSequenceFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  const int nType = SequencePictureType(m_szPath);
  if (!nType) return Fail(ErrorKind::InvalidInput, NoFormatText(m_szPath));
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastResult());
  return true;
}

bool CSequenceFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastResult());
  std::string szError;
  const bool bOk = CAtomicFile::CommitAll(m_frames.data(), m_frames.size(), &szError);
  m_frames.clear();
  if (!bOk) return Fail(ErrorKind::Io, "Cannot write " + szError);
  return true;
}

bool CSingleFrameWriter::Begin() {
  if (!SequencePictureType(m_szPath)) return Fail(ErrorKind::InvalidInput, NoFormatText(m_szPath));
  return true;
}

bool CSingleFrameWriter::WriteFrame(const FrameBitmap& bitmap, int) {
  const int nType = SequencePictureType(m_szPath);
  if (!nType) return Fail(ErrorKind::InvalidInput, NoFormatText(m_szPath));
  CPicture picture;
  if (!Grab(bitmap, picture)) return false;
  Result saved = SavePicture(picture, m_szPath, nType);
  return saved.ok() || Fail(std::move(saved));
}

std::string JpegFramePath(const CTempFolder& folder, int nFrame) {
  return folder.File("2-" + std::to_string(nFrame) + ".jpg");
}

CJpegFrameWriter::CJpegFrameWriter(const CTempFolder& folder, std::function<void(int nFrame)> onWritten)
    : m_folder(folder),
      m_onWritten(std::move(onWritten)),
      m_worker(
          [this](const FrameBitmap& bitmap, int nFrame) {
            CPicture picture;
            Result grabbed = GrabFrame(bitmap, picture);
            if (!grabbed) return grabbed;
            if (!picture.Save(JpegFramePath(m_folder, nFrame), PICTURE_JPEG))
              // The folder is ours and goes with the run: the user learns where, not its
              // private name.
              return Result::Fail(ErrorKind::Io, "Cannot write frame " + std::to_string(nFrame) +
                                                     " of the movie in the temporary folder " + TempFolderRoot() +
                                                     ": " + picture.GetLastError());
            if (m_onWritten) m_onWritten(nFrame);
            return Result::Success();
          },
          "SWF") {}

bool CJpegFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_folder.IsCreated()) return Fail(ErrorKind::Io, "No folder for the temporary frames");
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastResult());
  return true;
}

bool CJpegFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastResult());
  return true;
}

CMovieFrameWriter::CMovieFrameWriter(CAviWriter& writer)
    : m_writer(writer),
      m_worker(
          [this](const FrameBitmap& bitmap, int) {
            // The read-back rows go to the movie directly: the same pixels a 24-bit
            // picture of the frame would hold, without building one.
            if (m_writer.AddFrame(bitmap) >= 0) return Result::Success();
            return m_writer.GetFailure();
          },
          "Movie") {}

bool CMovieFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastResult());
  return true;
}

int CMovieFrameWriter::WriteFrameAgain(int nFrame) {
  if (!Finish()) return -1;
  const int e = m_writer.AddFrameAgain(nFrame);
  if (e < 0) Fail(m_writer.GetFailure());
  return e;
}

bool CMovieFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastResult());
  return true;
}

int GifFrameDelayForRate(int nRate) {
  if (nRate <= 0) return kGifFrameDelay;
  const int nDelay = (100 + nRate / 2) / nRate;
  return nDelay < 1 ? 1 : nDelay;
}

Result ReduceGifFrame(CPicture& picture, int nDelay) {
  OctreePalette octree(256, 7);
  RgbQuad aPalette[256] = {};
  if (octree.AddImage(picture)) octree.WritePalette(aPalette, 256);
  if (!picture.DecreaseBpp(8, true, aPalette, 256))
    return Result::Fail(ErrorKind::TooLarge, "GIF colour reduction: " + picture.GetLastError());
  picture.SetFrameDelay(nDelay);
  return Result::Success();
}

CGifFrameWriter::CGifFrameWriter(std::string szPath, int nLoops, int nDelay)
    : m_szPath(std::move(szPath)),
      m_stream(nLoops),
      m_workers{{[this, nDelay](const FrameBitmap& bitmap, int nSeq) { return ReduceAndCode(bitmap, nSeq, nDelay); },
                 "GIF", false},
                {[this, nDelay](const FrameBitmap& bitmap, int nSeq) { return ReduceAndCode(bitmap, nSeq, nDelay); },
                 "GIF", false}} {}

// A worker waiting for its turn must not wait for a frame that will never come.
CGifFrameWriter::~CGifFrameWriter() { StopTurns(); }

Result CGifFrameWriter::ReduceAndCode(const FrameBitmap& bitmap, int nSeq, int nDelay) {
  CPicture frame;
  Result done = GrabFrame(bitmap, frame);
  if (done) done = ReduceGifFrame(frame, nDelay);
  if (done) {
    if (!WaitTurn(nSeq)) return Result::Fail(ErrorKind::Interrupted, "GIF output was stopped");
    if (!m_stream.AddFrame(frame)) done = m_stream.GetLastResult();
  }
  EndTurn(done);
  return done;
}

bool CGifFrameWriter::WaitTurn(int nSeq) {
  std::unique_lock<std::mutex> lock(m_turnMutex);
  m_turnChanged.wait(lock, [this, nSeq] { return m_nTurn == nSeq || m_bStopped; });
  return !m_bStopped;
}

void CGifFrameWriter::EndTurn(const Result& done) {
  {
    std::lock_guard<std::mutex> lock(m_turnMutex);
    if (done) {
      ++m_nTurn;
    } else {
      if (!m_bStopped) m_firstFailure = done;
      m_bStopped = true;
    }
  }
  m_turnChanged.notify_all();
}

void CGifFrameWriter::StopTurns() {
  {
    std::lock_guard<std::mutex> lock(m_turnMutex);
    m_bStopped = true;
  }
  m_turnChanged.notify_all();
}

bool CGifFrameWriter::FailFirst(const CFrameWorker& worker) {
  std::lock_guard<std::mutex> lock(m_turnMutex);
  return Fail(m_firstFailure.ok() ? worker.GetLastResult() : m_firstFailure);
}

bool CGifFrameWriter::Begin() {
  if (!m_stream.Open(m_szPath)) return Fail(m_stream.GetLastResult());
  return true;
}

bool CGifFrameWriter::WriteFrame(const FrameBitmap& bitmap, int) {
  CFrameWorker& worker = m_workers[m_nHanded % 2];
  if (!worker.Submit(bitmap, m_nHanded)) return FailFirst(worker);
  ++m_nHanded;
  return true;
}

bool CGifFrameWriter::Finish() {
  for (CFrameWorker& worker : m_workers)
    if (!worker.Drain()) return FailFirst(worker);
  if (!m_stream.Finish()) return Fail(m_stream.GetLastResult());
  return true;
}

void CGifFrameWriter::Abandon() {
  StopTurns();
  for (CFrameWorker& worker : m_workers) worker.Stop();
  m_stream.Abandon();
}

CAnimationFrameWriter::CAnimationFrameWriter(std::string szPath, MovieContainer container, int nWidth, int nHeight,
                                             int nRate, int nLoops)
    : m_container(container),
      m_szFile(std::move(szPath)),
      m_nWidth(nWidth),
      m_nHeight(nHeight),
      m_nRate(nRate),
      m_nLoops(nLoops),
      m_worker(
          [this](const FrameBitmap& bitmap, int) {
            CPicture frame;
            Result grabbed = GrabFrame(bitmap, frame);
            if (!grabbed) return grabbed;
            if (IsPng() ? m_apng.AddFrame(frame) : m_movie.AddFrame(frame) >= 0) return Result::Success();
            return IsPng() ? m_apng.GetLastResult() : m_movie.GetFailure();
          },
          MovieContainerExtension(container)) {
  const std::string szExtension = MovieContainerExtension(container);
  if (PathExtension(m_szFile) != szExtension) m_szFile += "." + szExtension;
}

bool CAnimationFrameWriter::Begin() {
  if (IsPng()) return m_apng.Open(m_szFile, m_nWidth, m_nHeight, m_nRate, m_nLoops) || Fail(m_apng.GetLastResult());
  m_movie.SetContainer(m_container);
  m_movie.SetRate(m_nRate);
  m_movie.SetLoops(m_nLoops);
  m_movie.SetFrameFormat(m_nWidth, m_nHeight);
  m_movie.SetFileName(m_szFile);
  if (m_movie.Open() != 0) return Fail(m_movie.GetFailure());
  return true;
}

bool CAnimationFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastResult());
  return true;
}

bool CAnimationFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastResult());
  if (IsPng()) return m_apng.Close() || Fail(m_apng.GetLastResult());
  if (m_movie.Close() != 0) return Fail(m_movie.GetFailure());
  return true;
}
