// `kestrelle-cli render PROJECT.fmph -o OUT [--format sequence|gif|webp|apng|swf|html|avi|mp4|
// webm|frame] [--frames N] [--frame K] [--type morph|warp1|warp2] [--size WxH] [--codec NAME]
// [--fps F] [--loop L]`: renders a project off screen into an animation (picture sequence,
// animated GIF, WebP or APNG, SWF movie, HTML page with its movie, AVI, MP4 or WebM movie) or
// one frame as a picture. Without --format the kind follows OUT's extension: .gif, .webp,
// .apng, .avi, .mp4, .webm, .swf, .html; any other picture extension gives the sequence, or
// the single frame when --frame is given.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/PathParts.h"
#include "base/AtomicFile.h"
#include "base/FileChecks.h"
#include "base/Limits.h"
#include "core/ProjectFile.h"
#include "image/Picture.h"
#include "output/MovieCodecs.h"
#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "output/OutputRequest.h"
#include "output/OutputRun.h"
#include "render/OffscreenRenderer.h"
#include "render/ProjectFrame.h"
#include "tools/CliOutput.h"
#include "tools/CliRegistry.h"

namespace {

// Every option of the command, as parsed.
struct RenderOptions {
  std::string szProject;
  CliOutputOptions output;
  int nFrame = -1;     // -1: the middle frame N / 2
  int nFrames = 30;    // N, index of the last frame
  std::string szType = "morph";
  std::string szSize;  // "WxH"; empty: image1's size
};

void AddRenderOptions(CLI::App& cmd, RenderOptions& o) {
  cmd.add_option("PROJECT", o.szProject, "project file (.fmph)")->required();
  cmd.add_option("--frame", o.nFrame, "frame to render, 0..N (default N/2)")
      ->check(CLI::NonNegativeNumber);
  cmd.add_option("--frames", o.nFrames, "index N of the last frame (default 30)")
      ->check(CLI::Range(1, 1000000));
  cmd.add_option("--type", o.szType, "morph type (default morph)")
      ->check(CLI::IsMember({"morph", "warp1", "warp2"}));
  cmd.add_option("--size", o.szSize, "output size WxH (default image1's size)");
  AddCliOutputOptions(cmd, o.output, true);
}

int Fail(const std::string& text) {
  std::cerr << text << '\n';
  return 1;
}

// Opens the project and applies the options that every kind of output shares.
bool PrepareProject(const RenderOptions& o, MorphProject& project, std::string& szError) {
  const Result opened = OpenProject(project, o.szProject);
  if (!opened) {
    szError = o.szProject + ": " + opened.FullText();
    return false;
  }
  if (!project.IsReady()) {
    szError = o.szProject + ": the project does not have both pictures";
    return false;
  }
  project.SetFrameCount(o.nFrames);
  project.ChooseMorphType(o.szType == "warp1" ? 2 : o.szType == "warp2" ? 3 : 1);
  int nWidth = project.m_pImage1->GetWidth(), nHeight = project.m_pImage1->GetHeight();
  if (!o.szSize.empty() && !ParseCliSize(o.szSize, nWidth, nHeight)) {
    szError = "--size: '" + o.szSize + "' is not a size like 640x480";
    return false;
  }
  project.SetOutputSize(nWidth, nHeight);
  return true;
}

// One frame into one picture file.
int RenderSingleFrame(const OutputRunRequest& request) {
  const int nType = ImageTypeFromExtension(request.szOutputPath);
  if (nType == PICTURE_UNKNOWN)
    return Fail(request.szOutputPath + ": unknown picture format (use an extension such as .png, .bmp or .jpg)");
  COffscreenRenderer renderer;
  FrameBitmap bitmap;
  if (!renderer.RenderFrame(request, bitmap)) return Fail("render: " + renderer.GetLastError());

  CPicture picture(nType);
  std::string szError;
  if (!GrabFrameImage(bitmap, picture, &szError)) return Fail("render: " + szError);
  if (!picture.Save(request.szOutputPath, nType)) {
    const std::string& text = picture.GetLastError();
    return Fail(request.szOutputPath + ": " +
                (text.empty() ? std::string("the picture could not be written") : text));
  }
  return 0;
}

int RunRender(const RenderOptions& o) {
  std::string szFormat, szError;
  if (!ChooseCliFormat(o.output, o.nFrame >= 0, szFormat, szError)) return Fail(szError);
  MovieCodecChooser chooser;
  if (!MakeCliCodecChooser(o.output, szFormat, chooser, szError)) return Fail("render: " + szError);
  // The renderer's set-up runs while the project and its pictures are read.
  COffscreenRenderer::WarmUp();
  MorphProject project;
  if (!PrepareProject(o, project, szError)) return Fail(szError);
  const MorphTriangles triangles = ProjectTriangles(project);
  const OutputFormatRow& row = CliFormatRow(szFormat);
  OutputRunRequest request = MakeOutputRunRequest(project, triangles, row.nFormat, o.output.szOutput);
  request.nCurFrame = o.nFrame < 0 ? request.nFrameCount / 2 : o.nFrame;
  request.movieContainer = row.container;
  request.nFrameRate = o.output.nFps;
  request.nLoops = o.output.nLoop;
  request.inputFiles.push_back(o.szProject);
  const Result checked = CheckOutputRunRequest(request);
  if (!checked) return Fail("render: " + checked.message);
  if (row.writer == OutputWriterKind::Single) return RenderSingleFrame(request);
  return RunCliAnimation("render", request, chooser);
}

const CliCommandRegistrar kRenderCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "render", "Render a morph project off screen: picture sequence, animated GIF, WebP or APNG, SWF movie, HTML page, AVI, MP4 or WebM movie or one frame");
  auto options = std::make_shared<RenderOptions>();
  AddRenderOptions(*cmd, *options);
  cmd->callback([options] { CliExitCode() = RunRender(*options); });
});

}  // namespace
