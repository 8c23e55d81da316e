// `kestrelle-cli render PROJECT.fmph -o OUT --frame K [--frames N] [--type morph|warp1|warp2]
// [--size WxH]`: renders one frame of a project off screen and saves it as a picture whose
// format follows OUT's extension.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "core/ProjectFile.h"
#include "image/Picture.h"
#include "output/FrameImage.h"
#include "render/OffscreenRenderer.h"
#include "render/ProjectFrame.h"
#include "tools/CliRegistry.h"

namespace {

// Every option of the command, as parsed.
struct RenderOptions {
  std::string szProject;
  std::string szOutput;
  int nFrame = -1;     // -1: the middle frame N / 2
  int nFrames = 30;    // N, index of the last frame
  std::string szType = "morph";
  std::string szSize;  // "WxH"; empty: image1's size
};

void AddRenderOptions(CLI::App& cmd, RenderOptions& o) {
  cmd.add_option("PROJECT", o.szProject, "project file (.fmph)")->required();
  cmd.add_option("-o,--output", o.szOutput, "picture to write; the extension chooses the format")
      ->required();
  cmd.add_option("--frame", o.nFrame, "frame to render, 0..N (default N/2)")
      ->check(CLI::NonNegativeNumber);
  cmd.add_option("--frames", o.nFrames, "index N of the last frame (default 30)")
      ->check(CLI::Range(1, 1000000));
  cmd.add_option("--type", o.szType, "morph type (default morph)")
      ->check(CLI::IsMember({"morph", "warp1", "warp2"}));
  cmd.add_option("--size", o.szSize, "output size WxH (default image1's size)");
}

int Fail(const std::string& text) {
  std::cerr << text << '\n';
  return 1;
}

bool ParseSize(const std::string& text, int& nWidth, int& nHeight) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  const std::string w = text.substr(0, x), h = text.substr(x + 1);
  if (w.find_first_not_of("0123456789") != std::string::npos ||
      h.find_first_not_of("0123456789") != std::string::npos || w.size() > 6 || h.size() > 6)
    return false;
  nWidth = std::stoi(w);
  nHeight = std::stoi(h);
  return nWidth > 0 && nHeight > 0;
}

// Opens the project and applies the options that every kind of output shares.
bool PrepareProject(const RenderOptions& o, MorphProject& project, std::string& szError) {
  const CommandResult opened = OpenProject(project, o.szProject);
  if (!opened) {
    szError = o.szProject + ": " + opened.message;
    return false;
  }
  if (!project.IsReady()) {
    szError = o.szProject + ": the project does not have both pictures";
    return false;
  }
  project.SetFrameCount(o.nFrames);
  project.m_nMorphType = o.szType == "warp1" ? 2 : o.szType == "warp2" ? 3 : 1;
  project.m_nOutputWidth = project.m_pImage1->GetWidth();
  project.m_nOutputHeight = project.m_pImage1->GetHeight();
  if (!o.szSize.empty() &&
      !ParseSize(o.szSize, project.m_nOutputWidth, project.m_nOutputHeight)) {
    szError = "--size: '" + o.szSize + "' is not a size like 640x480";
    return false;
  }
  return true;
}

// One frame into one picture file.
int RenderSingleFrame(const MorphProject& project, const RenderOptions& o) {
  const int nFrameCount = project.m_nFrameCount;
  const int nFrame = o.nFrame < 0 ? nFrameCount / 2 : o.nFrame;
  if (nFrame > nFrameCount)
    return Fail("--frame: frame " + std::to_string(nFrame) + " is past the last frame " +
                std::to_string(nFrameCount));
  const int nType = ImageTypeFromExtension(o.szOutput);
  if (nType == PICTURE_UNKNOWN)
    return Fail(o.szOutput + ": unknown picture format (use an extension such as .png, .bmp or .jpg)");

  const MorphTriangles triangles = ProjectTriangles(project);
  const MorphFrameRequest request = MakeProjectFrameRequest(project, triangles, nFrame);
  COffscreenRenderer renderer;
  FrameBitmap bitmap;
  if (!renderer.RenderFrame(request, bitmap)) return Fail("render: " + renderer.GetLastError());

  CPicture picture(nType);
  std::string szError;
  if (!GrabFrameImage(bitmap, picture, &szError)) return Fail("render: " + szError);
  if (!picture.Save(o.szOutput, nType)) {
    const std::string& text = picture.GetLastError();
    return Fail(o.szOutput + ": " + (text.empty() ? std::string("the picture could not be written") : text));
  }
  return 0;
}

int RunRender(const RenderOptions& o) {
  MorphProject project;
  std::string szError;
  if (!PrepareProject(o, project, szError)) return Fail(szError);
  return RenderSingleFrame(project, o);
}

const CliCommandRegistrar kRenderCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("render", "Render one frame of a morph project off screen into a picture");
  auto options = std::make_shared<RenderOptions>();
  AddRenderOptions(*cmd, *options);
  cmd->callback([options] { CliExitCode() = RunRender(*options); });
});

}  // namespace
