#include "output/MorphChain.h"

#include <cstdio>
#include <new>

#include "base/PathParts.h"
#include "base/FileChecks.h"
#include "core/ProjectFile.h"
#include "output/OutputRequest.h"
#include "render/ProjectFrame.h"

namespace {

bool IsProjectPath(const std::string& szPath) { return PathExtension(szPath) == "fmph"; }

std::string SegmentName(size_t n, const std::string& szFrom, const std::string& szTo) {
  return "segment " + std::to_string(n + 1) + " (" + PathFileName(szFrom) + " to " + PathFileName(szTo) + ")";
}

}  // namespace

FittedRect FitIntoOutput(int W, int H, int nWidth, int nHeight) {
  FittedRect r;
  if (W <= 0 || H <= 0 || nWidth <= 0 || nHeight <= 0) return r;
  // The side that meets the output's edge keeps its length exactly; the other is rounded.
  if (static_cast<long long>(W) * nHeight < static_cast<long long>(nWidth) * H) {
    r.h = nHeight;
    r.w = static_cast<int>((static_cast<long long>(W) * nHeight * 2 + H) / (2LL * H));
  } else {
    r.w = nWidth;
    r.h = static_cast<int>((static_cast<long long>(H) * nWidth * 2 + W) / (2LL * W));
  }
  if (r.w < 1) r.w = 1;
  if (r.h < 1) r.h = 1;
  r.x = (nWidth - r.w) / 2;
  r.y = (nHeight - r.h) / 2;
  return r;
}

bool FitPicture(const CPicture& picture, int nWidth, int nHeight, CPicture& out, std::string* pError) {
  try {
    if (picture.GetWidth() == nWidth && picture.GetHeight() == nHeight) {
      out = picture;
      if (out.GetBpp() == 24 || out.IncreaseBpp24()) return true;
      if (pError) *pError = "the picture could not be converted to true colour";
      return false;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(nWidth) * nHeight * 4, 0);
    DrawTarget target{pixels.data(), nWidth, nHeight, nWidth * 4};
    const FittedRect r = FitIntoOutput(picture.GetWidth(), picture.GetHeight(), nWidth, nHeight);
    picture.Draw(target, r.x, r.y, r.w, r.h, nullptr, true);
    if (!out.Create(nWidth, nHeight, 24, PICTURE_BMP)) {
      if (pError) *pError = "out of memory for a " + std::to_string(nWidth) + "x" + std::to_string(nHeight) + " picture";
      return false;
    }
    for (int y = 0; y < nHeight; ++y) {  // the target is top-down, the picture bottom-up
      const uint8_t* s = pixels.data() + static_cast<size_t>(y) * nWidth * 4;
      uint8_t* d = out.GetBits() + static_cast<size_t>(nHeight - 1 - y) * out.GetEffWidth();
      for (int x = 0; x < nWidth; ++x, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    if (pError) *pError = "out of memory for a " + std::to_string(nWidth) + "x" + std::to_string(nHeight) + " picture";
    return false;
  }
}

bool CMorphChain::Prepare(const std::vector<std::string>& items, const MorphChainOptions& options,
                          const MorphChainPairs& pairs, const std::function<void(int nSegment)>& onSegment) {
  m_segments.clear();
  m_inputs.clear();
  m_options = options;
  if (items.size() < 2) return Fail(ErrorKind::InvalidInput, "A chain needs at least two pictures or projects");
  if (options.nFrames < 1) return Fail(ErrorKind::InvalidInput, "A segment needs at least one frame step");
  if (options.nHold < 0) return Fail(ErrorKind::InvalidInput, "The hold frames cannot be negative");

  std::string szLast;  // the picture the chain has reached
  for (const std::string& item : items) {
    m_inputs.push_back(item);
    const size_t nBefore = m_segments.size();
    if (IsProjectPath(item)) {
      auto pProject = std::make_unique<MorphProject>();
      const Result opened = OpenProject(*pProject, item);
      if (!opened) return Fail(opened.kind, item + ": " + opened.FullText());
      if (!pProject->IsReady())
        return Fail(ErrorKind::InvalidInput, item + ": the project does not have both pictures");
      const std::string szStart = pProject->GetImagePath(1);
      // A project that does not start where the chain is gets there through a segment first.
      if (!szLast.empty() && !IsSameFile(szLast, szStart) && !AddAutomatic(szLast, szStart, pairs)) return false;
      szLast = pProject->GetImagePath(2);
      if (!AddProject(item, std::move(pProject))) return false;
    } else {
      if (!szLast.empty() && !AddAutomatic(szLast, item, pairs)) return false;
      szLast = item;
    }
    if (onSegment)
      for (size_t n = nBefore; n < m_segments.size(); ++n) onSegment(static_cast<int>(n));
  }
  for (const Segment& segment : m_segments)
    for (const std::string& path : {segment.szFrom, segment.szTo}) m_inputs.push_back(path);
  return true;
}

bool CMorphChain::AddAutomatic(const std::string& szFrom, const std::string& szTo, const MorphChainPairs& pairs) {
  Segment segment;
  segment.szFrom = szFrom;
  segment.szTo = szTo;
  segment.bAutomatic = true;
  segment.pProject = std::make_unique<MorphProject>();
  MorphProject& project = *segment.pProject;
  const std::string szName = SegmentName(m_segments.size(), szFrom, szTo);
  Result r = project.LoadImage1(szFrom);
  if (!r) return Fail(r.kind, szFrom + ": " + r.FullText());
  r = project.LoadImage2(szTo);
  if (!r) return Fail(r.kind, szTo + ": " + r.FullText());
  if (pairs) {
    r = pairs(project);
    if (!r) return Fail(r.kind, szName + ": " + r.FullText());
  }
  if (!Fit(segment)) return Fail(m_result.kind, szName + ": " + m_result.message);
  m_segments.push_back(std::move(segment));
  return true;
}

bool CMorphChain::AddProject(const std::string& szPath, std::unique_ptr<MorphProject> pProject) {
  Segment segment;
  segment.pProject = std::move(pProject);
  segment.szFrom = segment.pProject->GetImagePath(1);
  segment.szTo = segment.pProject->GetImagePath(2);
  if (!Fit(segment))
    return Fail(m_result.kind,
                SegmentName(m_segments.size(), segment.szFrom, segment.szTo) + ": " + m_result.message);
  m_inputs.push_back(szPath);
  m_segments.push_back(std::move(segment));
  return true;
}

bool CMorphChain::Fit(Segment& segment) {
  MorphProject& project = *segment.pProject;
  project.ChooseMorphType(1);
  project.SetFrameCount(m_options.nFrames);
  const CPicture& image1 = *project.m_pImage1;
  const CPicture& image2 = *project.m_pImage2;
  if (m_options.nWidth <= 0 || m_options.nHeight <= 0) {
    m_options.nWidth = image1.GetWidth();
    m_options.nHeight = image1.GetHeight();
  }
  const int W = m_options.nWidth, H = m_options.nHeight;
  if (W > kMaxOutputSide || H > kMaxOutputSide)
    return Fail(ErrorKind::TooLarge,
                "the output size " + std::to_string(W) + "x" + std::to_string(H) + " is not possible");
  std::string szError;
  if (!FitPicture(image1, W, H, segment.fitted1, &szError) || !FitPicture(image2, W, H, segment.fitted2, &szError))
    return Fail(ErrorKind::TooLarge, szError);
  // Each side's points move with its picture: into the fitted rectangle, in output pixels.
  const FittedRect r1 = FitIntoOutput(image1.GetWidth(), image1.GetHeight(), W, H);
  const FittedRect r2 = FitIntoOutput(image2.GetWidth(), image2.GetHeight(), W, H);
  segment.triangles = ProjectTriangles(project);
  for (MorphTriangle& triangle : segment.triangles) {
    for (MorphVertex& v : triangle) {
      v.x1 = r1.x + v.x1 * r1.w / image1.GetWidth();
      v.y1 = r1.y + v.y1 * r1.h / image1.GetHeight();
      v.x2 = r2.x + v.x2 * r2.w / image2.GetWidth();
      v.y2 = r2.y + v.y2 * r2.h / image2.GetHeight();
    }
  }
  return true;
}

int CMorphChain::FrameCount() const {
  return ChainLastFrame(SegmentCount(), m_options.nFrames, m_options.nHold) + 1;
}

int CMorphChain::SegmentOfFrame(int g) const {
  const int nHold = m_options.nHold;
  if (g <= nHold) return 0;
  const int n = (g - nHold - 1) / (m_options.nFrames + nHold);
  return n < SegmentCount() ? n : SegmentCount() - 1;
}

OutputRunRequest CMorphChain::MakeRequest(int nFormat, const std::string& szOutput) const {
  OutputRunRequest request;
  for (const Segment& segment : m_segments) {
    MorphFrameRequest frame;
    frame.pImage1 = &segment.fitted1;
    frame.pImage2 = &segment.fitted2;
    frame.pTriangles = &segment.triangles;
    frame.nMorphType = 1;
    frame.nFrameCount = m_options.nFrames;
    frame.nOutputWidth = m_options.nWidth;
    frame.nOutputHeight = m_options.nHeight;
    request.chain.push_back(frame);
  }
  if (!request.chain.empty()) static_cast<MorphFrameRequest&>(request) = request.chain.front();
  request.nFrameCount = ChainLastFrame(SegmentCount(), m_options.nFrames, m_options.nHold);
  request.nCurFrame = 0;
  request.nHoldFrames = m_options.nHold;
  request.bOneWay = true;
  request.nFormat = nFormat;
  request.szOutputPath = szOutput;
  request.movieContainer = RunContainerFor(nFormat, szOutput);
  request.inputFiles = m_inputs;
  return request;
}

std::string CMorphChain::ProjectFileName(const std::string& szFolder, int n) {
  char name[32];
  std::snprintf(name, sizeof name, "segment-%02d.fmph", n + 1);
  return szFolder + "/" + name;
}

Result CMorphChain::SaveProjects(const std::string& szFolder) const {
  for (size_t n = 0; n < m_segments.size(); ++n) {
    const std::string szFile = ProjectFileName(szFolder, static_cast<int>(n));
    const Result saved = SaveProject(*m_segments[n].pProject, szFile);
    if (!saved) return Result::Fail(saved.kind, szFile + ": " + saved.FullText());
  }
  return Result::Success();
}
