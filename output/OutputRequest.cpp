#include "output/OutputRequest.h"

#include "base/FileChecks.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "base/PathParts.h"
#include "image/Picture.h"
#include "output/FrameWriters.h"
#include "output/OutputFormats.h"
#include "render/ProjectFrame.h"

OutputRunRequest MakeOutputRunRequest(const MorphProject& project, const MorphTriangles& triangles,
                                      int nFormat, const std::string& szOutputPath) {
  OutputRunRequest request;
  static_cast<MorphFrameRequest&>(request) = MakeProjectFrameRequest(project, triangles, project.m_nCurFrame);
  request.nFormat = nFormat;
  request.szOutputPath = szOutputPath;
  request.movieContainer = RunContainerFor(nFormat, szOutputPath);
  for (int slot = 1; slot <= 2; ++slot)
    if (!project.GetImagePath(slot).empty()) request.inputFiles.push_back(project.GetImagePath(slot));
  return request;
}

MovieContainer RunContainerFor(int nFormat, const std::string& szOutputPath) {
  return OutputFormatFor(nFormat, szOutputPath).container;
}

std::vector<std::string> OutputRunFiles(const OutputRunRequest& request) {
  const std::string& out = request.szOutputPath;
  const OutputWriterKind writer = OutputFormatOf(request).writer;
  std::vector<std::string> files{out};
  if (writer == OutputWriterKind::Sequence)
    for (int i = 0; i <= request.nFrameCount; ++i) files.push_back(SequenceFrameName(out, i));
  if (writer == OutputWriterKind::SwfPage) files.push_back(PathFolder(out) + "/" + kHtmlMovieName);
  if (writer == OutputWriterKind::Movie || writer == OutputWriterKind::Animation)
    files.push_back(out + "." + MovieContainerExtension(request.movieContainer));
  return files;
}

Result CheckOutputRunRequest(const OutputRunRequest& request) {
  const auto fail = [](const std::string& text) { return Result::Fail(text); };
  if (!request.pImage1 || !request.pImage1->IsValid() || !request.pImage2 || !request.pImage2->IsValid())
    return fail("The project needs both pictures before it can be output");
  if (!request.pTriangles || request.pTriangles->empty()) return fail("The project has no triangles to draw");
  const int N = request.nFrameCount;
  if (N < 1 || N > kMaxOutputFrameCount)
    return fail("The frame count must be between 1 and " + std::to_string(kMaxOutputFrameCount));
  const int W = request.nOutputWidth, H = request.nOutputHeight;
  if (W < 1 || H < 1 || W > kMaxOutputSide || H > kMaxOutputSide)
    return fail("The output size " + std::to_string(W) + "x" + std::to_string(H) + " is not possible (1 to " +
                std::to_string(kMaxOutputSide) + " pixels a side)");
  const OutputFormatRow& row = OutputFormatOf(request);
  if (W < row.nMinSide || H < row.nMinSide) {
    // Every row of the writer with the same smallest side is named.
    std::vector<std::string> names;
    for (const OutputFormatRow& other : OutputFormatRows())
      if (other.writer == row.writer && other.nMinSide == row.nMinSide) names.push_back(other.szShortName);
    const std::string side = std::to_string(row.nMinSide);
    return fail(JoinedList(names, " and ") + " frames need an output size of at least " + side + "x" + side);
  }
  if (W > row.nMaxSide || H > row.nMaxSide)
    return fail(std::string("An animated ") + row.szShortName + " is at most " + std::to_string(row.nMaxSide) +
                " pixels a side");
  if (request.nFrameRate != 0) {
    if (!row.bTimed) return fail("Pictures and picture sequences have no frame rate");
    if (request.nFrameRate < 1 || request.nFrameRate > kMaxOutputFrameRate)
      return fail("The frame rate must be between 1 and " + std::to_string(kMaxOutputFrameRate) +
                  " frames per second");
  }
  if (request.nLoops != -1) {
    if (row.loops == OutputLoopKind::Plays) {
      if (request.nLoops < 0 || request.nLoops > kMaxOutputPlays)
        return fail(std::string(row.writer == OutputWriterKind::Animation ? "An animation" : "A GIF") +
                    " plays 1 to " + std::to_string(kMaxOutputPlays) + " times, or endlessly (0)");
    } else if (row.loops == OutputLoopKind::OnceOrEndless) {
      if (request.nLoops != 0 && request.nLoops != 1) return fail("A SWF movie plays once (1) or endlessly (0)");
    } else {
      return fail("Only GIF and SWF animations have a loop setting; movie players decide themselves");
    }
  }
  if (row.writer == OutputWriterKind::Single) {
    const int k = request.nCurFrame;
    if (k < 0) return fail("The frame " + std::to_string(k) + " is not between 0 and " + std::to_string(N));
    if (k > N) return fail("The frame " + std::to_string(k) + " is past the last frame " + std::to_string(N));
  }
  if (request.szOutputPath.empty()) return fail("No output file was given");
  for (const std::string& szFile : OutputRunFiles(request))
    for (const std::string& szInput : request.inputFiles)
      if (!szInput.empty() && IsSameFile(szFile, szInput))
        return fail(szFile + " is an input of the project (" + szInput + "); choose another output");
  const std::string szKind = NonRegularKind(request.szOutputPath);
  if (!szKind.empty()) return fail("Cannot write " + request.szOutputPath + ": it is " + szKind + ", not a file");
  // A folder that cannot take the files fails now rather than after every frame is rendered.
  if (row.writer != OutputWriterKind::Movie) {
    const std::string szFolder = PathFolder(request.szOutputPath);
    if (::access(szFolder.c_str(), W_OK | X_OK) != 0)
      return fail("Cannot write " + request.szOutputPath + ": " + std::strerror(errno));
  }
  return Result::Success();
}
