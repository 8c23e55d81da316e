#include "output/FrameWriters.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool SavePicture(const CPicture& picture, const std::string& szPath, int nType, std::string& szError) {
  if (picture.Save(szPath, nType)) return true;
  szError = "Cannot write " + szPath;
  if (!picture.GetLastError().empty()) szError += ": " + picture.GetLastError();
  return false;
}

// Encodes the picture into a file that is not yet in place.
bool EncodePicture(const CPicture& picture, CAtomicFile& file, const std::string& szPath, int nType,
                   std::string& szError) {
  std::string szCause;
  if (!file.Create(szPath, &szCause) || !file.Stream()) {
    szError = "Cannot write " + (szCause.empty() ? szPath : szCause);
    return false;
  }
  if (!picture.Encode(file.Stream(), nType) || !file.Finish(&szCause)) {
    szError = "Cannot write " + szPath;
    if (!picture.GetLastError().empty()) szError += ": " + picture.GetLastError();
    else if (!szCause.empty()) szError = "Cannot write " + szCause;
    file.Discard();
    return false;
  }
  return true;
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

CSequenceFrameWriter::CSequenceFrameWriter(std::string szPath)
    : m_szPath(std::move(szPath)),
      m_worker(
          [this](const FrameBitmap& bitmap, int nFrame, std::string& szError) {
            CPicture picture;
            if (!GrabFrameImage(bitmap, picture, &szError)) return false;
            // Every frame waits under a temporary name until the whole run is done.
            m_frames.emplace_back();
            if (EncodePicture(picture, m_frames.back(), SequenceFrameName(m_szPath, nFrame),
                              SequencePictureType(m_szPath), szError))
              return true;
            m_frames.pop_back();
            return false;
          },
          "Picture") {}

bool CSequenceFrameWriter::Begin() {
  if (!SequencePictureType(m_szPath)) return Fail(NoFormatText(m_szPath));
  return true;
}

bool CSequenceFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!SequencePictureType(m_szPath)) return Fail(NoFormatText(m_szPath));
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastError());
  return true;
}

bool CSequenceFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastError());
  std::string szError;
  const bool bOk = CAtomicFile::CommitAll(m_frames.data(), m_frames.size(), &szError);
  m_frames.clear();
  if (!bOk) return Fail("Cannot write " + szError);
  return true;
}

bool CSingleFrameWriter::Begin() {
  if (!SequencePictureType(m_szPath)) return Fail(NoFormatText(m_szPath));
  return true;
}

bool CSingleFrameWriter::WriteFrame(const FrameBitmap& bitmap, int) {
  const int nType = SequencePictureType(m_szPath);
  if (!nType) return Fail(NoFormatText(m_szPath));
  CPicture picture;
  if (!GrabFrameImage(bitmap, picture, &m_szLastError)) return false;
  return SavePicture(picture, m_szPath, nType, m_szLastError);
}

std::string JpegFramePath(const CTempFolder& folder, int nFrame) {
  return folder.File("2-" + std::to_string(nFrame) + ".jpg");
}

CJpegFrameWriter::CJpegFrameWriter(const CTempFolder& folder, std::function<void(int nFrame)> onWritten)
    : m_folder(folder),
      m_onWritten(std::move(onWritten)),
      m_worker(
          [this](const FrameBitmap& bitmap, int nFrame, std::string& szError) {
            CPicture picture;
            if (!GrabFrameImage(bitmap, picture, &szError)) return false;
            if (!picture.Save(JpegFramePath(m_folder, nFrame), PICTURE_JPEG)) {
              // The folder is ours and goes with the run: the user learns where, not its
              // private name.
              szError = "Cannot write frame " + std::to_string(nFrame) + " of the movie in the temporary folder " +
                        TempFolderRoot() + ": " + picture.GetLastError();
              return false;
            }
            if (m_onWritten) m_onWritten(nFrame);
            return true;
          },
          "SWF") {}

bool CJpegFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_folder.IsCreated()) return Fail("No folder for the temporary frames");
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastError());
  return true;
}

bool CJpegFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastError());
  return true;
}

CAviFrameWriter::CAviFrameWriter(CAviWriter& writer)
    : m_writer(writer),
      m_worker(
          [this](const FrameBitmap& bitmap, int, std::string& szError) {
            // The read-back rows go to the movie directly: the same pixels a 24-bit
            // picture of the frame would hold, without building one.
            if (m_writer.AddFrame(bitmap) >= 0) return true;
            szError = m_writer.GetLastErrorText();
            return false;
          },
          "Movie") {}

bool CAviFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastError());
  return true;
}

int CAviFrameWriter::WriteFrameAgain(int nFrame) {
  if (!Finish()) return -1;
  const int e = m_writer.AddFrameAgain(nFrame);
  if (e < 0) Fail(m_writer.GetLastErrorText());
  return e;
}

bool CAviFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastError());
  return true;
}

int GifFrameDelayForRate(int nRate) {
  if (nRate <= 0) return kGifFrameDelay;
  const int nDelay = (100 + nRate / 2) / nRate;
  return nDelay < 1 ? 1 : nDelay;
}

bool ReduceGifFrame(CPicture& picture, std::string* pError, int nDelay) {
  OctreePalette octree(256, 7);
  RgbQuad aPalette[256] = {};
  if (octree.AddImage(picture)) octree.WritePalette(aPalette, 256);
  if (!picture.DecreaseBpp(8, true, aPalette, 256)) {
    if (pError) *pError = "GIF colour reduction: " + picture.GetLastError();
    return false;
  }
  picture.SetFrameDelay(nDelay);
  return true;
}

bool CGifFrameWriter::Begin() {
  if (!m_stream.Open(m_szPath)) return Fail(m_stream.GetLastError());
  return true;
}

bool CGifFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastError());
  return true;
}

bool CGifFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastError());
  if (!m_stream.Finish()) return Fail(m_stream.GetLastError());
  return true;
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
          [this](const FrameBitmap& bitmap, int, std::string& szError) {
            CPicture frame;
            if (!GrabFrameImage(bitmap, frame, &szError)) return false;
            if (IsPng() ? m_apng.AddFrame(frame) : m_movie.AddFrame(frame) >= 0) return true;
            szError = IsPng() ? m_apng.GetLastError() : m_movie.GetLastErrorText();
            return false;
          },
          MovieContainerExtension(container)) {
  const std::string szExtension = MovieContainerExtension(container);
  if (PathExtension(m_szFile) != szExtension) m_szFile += "." + szExtension;
}

bool CAnimationFrameWriter::Begin() {
  if (IsPng()) return m_apng.Open(m_szFile, m_nWidth, m_nHeight, m_nRate, m_nLoops) || Fail(m_apng.GetLastError());
  m_movie.SetContainer(m_container);
  m_movie.SetRate(m_nRate);
  m_movie.SetLoops(m_nLoops);
  m_movie.SetFrameFormat(m_nWidth, m_nHeight);
  m_movie.SetFileName(m_szFile);
  if (m_movie.Open() != 0) return Fail(m_movie.GetLastErrorText());
  return true;
}

bool CAnimationFrameWriter::WriteFrame(const FrameBitmap& bitmap, int nFrame) {
  if (!m_worker.Submit(bitmap, nFrame)) return Fail(m_worker.GetLastError());
  return true;
}

bool CAnimationFrameWriter::Finish() {
  if (!m_worker.Drain()) return Fail(m_worker.GetLastError());
  if (IsPng()) return m_apng.Close() || Fail(m_apng.GetLastError());
  if (m_movie.Close() != 0) return Fail(m_movie.GetLastErrorText());
  return true;
}
