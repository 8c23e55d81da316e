// A morph chain: one animation through three or more pictures, A -> B -> C -> ..., made of
// one morph (a segment) per neighbouring pair. Between two pictures the key points come
// from a supplied function (the automatic key points); a project item is a segment of its
// own, from its image1 to its image2 with its own pairs. Every picture is fitted into the
// output size without distortion (the best-fit zoom, centred, black around it), so pictures
// of different sizes and shapes can follow one another.
//
// Frames: the first picture, then each segment's frames 1..N, so that the frame on which a
// segment ends is the one the next starts from; with H hold frames each picture is shown H
// frames longer. S segments give S * N + 1 + (S + 1) * H frames, played once in every format.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/MorphProject.h"
#include "output/OutputRun.h"

struct MorphChainOptions {
  int nFrames = 30;  // N of every segment
  int nHold = 0;     // extra frames on each picture
  int nWidth = 0, nHeight = 0;  // output size; 0: the first picture's size
};

// Adds key-point pairs to a segment made of two pictures (image1 and image2 loaded). Ok when
// the segment can be used; otherwise the reason, which names no file.
using MorphChainPairs = std::function<Result(MorphProject& project)>;

// Where a W x H picture goes when fitted into an output of nWidth x nHeight: the best-fit
// zoom (the larger zoom at which the whole picture fits), centred.
struct FittedRect {
  int x = 0, y = 0, w = 0, h = 0;
};
FittedRect FitIntoOutput(int W, int H, int nWidth, int nHeight);
// The picture fitted into nWidth x nHeight (24 bits, black around it). A picture of that size
// already is copied pixel for pixel. False with a text when memory runs out.
bool FitPicture(const CPicture& picture, int nWidth, int nHeight, CPicture& out, std::string* pError = nullptr);

class CMorphChain {
 public:
  struct Segment {
    std::string szFrom, szTo;  // picture paths
    bool bAutomatic = false;   // pairs from the supplied function, not a project item
    std::unique_ptr<MorphProject> pProject;  // pictures as loaded, pairs
    CPicture fitted1, fitted2;                // the pictures fitted into the output size
    MorphTriangles triangles;                 // in output pixels
  };

  CMorphChain() = default;
  CMorphChain(const CMorphChain&) = delete;
  CMorphChain& operator=(const CMorphChain&) = delete;

  // Items ending in ".fmph" (any case) are projects, all others pictures. Loads every item,
  // builds and fits every segment; onSegment (may be empty) hears about each one as it is
  // ready. False with a text naming the item or the segment that failed.
  bool Prepare(const std::vector<std::string>& items, const MorphChainOptions& options,
               const MorphChainPairs& pairs, const std::function<void(int nSegment)>& onSegment = {});

  int SegmentCount() const { return static_cast<int>(m_segments.size()); }
  const Segment& GetSegment(int n) const { return m_segments[static_cast<size_t>(n)]; }
  int OutputWidth() const { return m_options.nWidth; }
  int OutputHeight() const { return m_options.nHeight; }
  // Frames of the animation: the last frame index plus one.
  int FrameCount() const;
  // The segment frame g belongs to (a held picture belongs to the segment it ends).
  int SegmentOfFrame(int g) const;

  // An output run of the whole chain in nFormat to szOutput; points into this chain, which
  // must outlive it. Its input files are every item and picture.
  OutputRunRequest MakeRequest(int nFormat, const std::string& szOutput) const;

  // Writes every segment's project into szFolder as "segment-01.fmph", ... (the pictures'
  // paths and the pairs used), for correction in the window. Each file is written whole; the
  // first that cannot be written stops it.
  Result SaveProjects(const std::string& szFolder) const;
  // The project file of segment n in szFolder.
  static std::string ProjectFileName(const std::string& szFolder, int n);

  // Why Prepare failed.
  const Result& GetLastResult() const { return m_result; }

 private:
  bool Fail(ErrorKind kind, const std::string& text) {
    m_result = Result::Fail(kind, text);
    return false;
  }
  bool AddAutomatic(const std::string& szFrom, const std::string& szTo, const MorphChainPairs& pairs);
  bool AddProject(const std::string& szPath, std::unique_ptr<MorphProject> pProject);
  bool Fit(Segment& segment);

  MorphChainOptions m_options;
  std::vector<Segment> m_segments;
  std::vector<std::string> m_inputs;
  Result m_result;
};
