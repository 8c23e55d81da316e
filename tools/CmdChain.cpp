// `kestrelle-cli chain ITEM ITEM [ITEM...] -o OUT [--auto[=faces|features]] [--frames N]
// [--hold H] [--size WxH] [--format ...] [--codec NAME] [--fps F] [--loop L]
// [--save-projects DIR]`: one animation through every picture (or project) in turn. Between
// two pictures the automatic key points are placed; a project brings its own pairs for its
// own segment. Written as one file (or one sequence) in any format `render` writes, all or
// nothing; a segment whose key points cannot be found is named and nothing is written.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/FileChecks.h"
#include "base/Limits.h"
#include "base/PathParts.h"
#include "output/MorphChain.h"
#include "output/OutputRequest.h"
#include "render/OffscreenRenderer.h"
#include "tools/CliAutoKey.h"
#include "tools/CliOutput.h"
#include "tools/CliRegistry.h"

namespace {

struct ChainOptions {
  std::vector<std::string> items;
  CliOutputOptions output;
  CliAutoOptions autoOptions;
  int nFrames = 30;
  int nHold = 0;
  std::string szSize;
  std::string szProjectFolder;
};

int Fail(const std::string& text) {
  std::cerr << "chain: " << text << '\n';
  return 1;
}

int RunChain(const ChainOptions& o) {
  std::string szFormat, szError;
  if (!ChooseCliFormat(o.output, false, szFormat, szError)) return Fail(szError);
  MovieCodecChooser chooser;
  if (!MakeCliCodecChooser(o.output, szFormat, chooser, szError)) return Fail(szError);
  // The renderer's set-up runs while the pictures are read.
  COffscreenRenderer::WarmUp();
  MorphChainOptions options;
  options.nFrames = o.nFrames;
  options.nHold = o.nHold;
  if (!o.szSize.empty() && !ParseCliSize(o.szSize, options.nWidth, options.nHeight))
    return Fail("--size: '" + o.szSize + "' is not a size like 640x480");
  if (!o.szProjectFolder.empty() && !IsFolder(o.szProjectFolder))
    return Fail("--save-projects: " + o.szProjectFolder + " is not a folder");

  CMorphChain chain;
  const auto onSegment = [&chain](int n) {
    const CMorphChain::Segment& s = chain.GetSegment(n);
    std::cerr << "segment " << n + 1 << ": " << PathFileName(s.szFrom) << " to " << PathFileName(s.szTo) << ", "
              << (s.bAutomatic ? "automatic key points" : "the project's key points") << '\n';
  };
  const MorphChainPairs pairs = [&o](MorphProject& project) { return PlaceCliAutoPairs(project, o.autoOptions); };
  if (!chain.Prepare(o.items, options, pairs, onSegment))
    return Fail(chain.GetLastResult().FullText() + "; nothing was written");

  const OutputFormatRow& row = CliFormatRow(szFormat);
  OutputRunRequest request = chain.MakeRequest(row.nFormat, o.output.szOutput);
  request.movieContainer = row.container;
  request.nFrameRate = o.output.nFps;
  request.nLoops = o.output.nLoop;
  // The segment projects go where no item is, and the animation where no segment project goes.
  for (int n = 0; !o.szProjectFolder.empty() && n < chain.SegmentCount(); ++n) {
    const std::string szProject = CMorphChain::ProjectFileName(o.szProjectFolder, n);
    for (const std::string& item : o.items)
      if (IsSameFile(szProject, item))
        return Fail("--save-projects: " + szProject + " is one of the chain's items; choose another folder");
    request.inputFiles.push_back(szProject);
  }
  const Result checked = CheckOutputRunRequest(request);
  if (!checked) return Fail(checked.message);

  // One line as each segment's last frame is written.
  int nDone = 0;
  const int nLast = request.nFrameCount;
  const auto onFrame = [&](int nFrame) {
    const int nSegment = nFrame == nLast ? chain.SegmentCount() : chain.SegmentOfFrame(nFrame + 1);
    while (nDone < nSegment && nDone < chain.SegmentCount()) {
      std::cerr << "segment " << nDone + 1 << " of " << chain.SegmentCount() << " written\n";
      ++nDone;
    }
  };
  const int nStatus = RunCliAnimation("chain", request, chooser, onFrame);
  if (nStatus != 0 || o.szProjectFolder.empty()) return nStatus;
  const Result saved = chain.SaveProjects(o.szProjectFolder);
  if (!saved) return Fail(saved.FullText());
  std::cout << chain.SegmentCount() << " segment projects written to " << o.szProjectFolder << '\n';
  return 0;
}

const CliCommandRegistrar kChainCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "chain",
      "Morph through several pictures in turn (A to B to C ...) into one animation; S segments of N frames "
      "give S*N+1 frames, plus --hold frames on each picture");
  auto opt = std::make_shared<ChainOptions>();
  cmd->add_option("ITEM", opt->items,
                  "pictures or projects (.fmph), at least two; between two pictures the key points are placed "
                  "automatically, a project is its own segment with its own pairs")
      ->required()
      ->expected(2, -1);
  AddCliAutoOptions(*cmd, opt->autoOptions, true);
  cmd->add_option("--frames", opt->nFrames, "frame steps N of each segment (default 30)")
      ->check(CLI::Range(1, kMaxOutputFrameCount));
  cmd->add_option("--hold", opt->nHold, "frames each picture is shown longer (default 0)")
      ->check(CLI::Range(0, kMaxOutputFrameCount));
  cmd->add_option("--size", opt->szSize,
                  "output size WxH (default the first picture's); every picture is fitted into it without "
                  "distortion, black around it");
  cmd->add_option("--save-projects", opt->szProjectFolder,
                  "folder to write each segment's project into (segment-01.fmph, ...), for correction in the window");
  AddCliOutputOptions(*cmd, opt->output, false);
  cmd->callback([opt] { CliExitCode() = RunChain(*opt); });
});

}  // namespace
