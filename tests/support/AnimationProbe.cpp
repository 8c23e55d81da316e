#include "support/AnimationProbe.h"

#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

AnimationProbe ProbeAnimation(const std::string& path) {
  AnimationProbe probe;
  TempDir dir;
  const std::string raw = dir.File("frames.rgb");
  // Debian's interpreter, which has python3-pil, whatever python3 comes first on the PATH.
  const CliResult r = RunCommand("/usr/bin/python3 " + ShellQuote(SourceDir() + "/tests/support/read_animation.py") +
                                 " " + ShellQuote(path) + " " + ShellQuote(raw));
  if (r.nExitCode != 0) {
    probe.szError = r.szErr;
    return probe;
  }
  const nlohmann::json info = nlohmann::json::parse(r.szOut, nullptr, false);
  if (info.is_discarded()) {
    probe.szError = "not JSON: " + r.szOut;
    return probe;
  }
  probe.szFormat = info["format"].get<std::string>();
  probe.nWidth = info["width"].get<int>();
  probe.nHeight = info["height"].get<int>();
  probe.nFrames = info["frames"].get<int>();
  probe.nLoop = info["loop"].get<int>();
  probe.durations = info["durations"].get<std::vector<int>>();
  const std::vector<uint8_t> bytes = ReadFileBytes(raw);
  const size_t nFrame = static_cast<size_t>(probe.nWidth) * probe.nHeight * 3;
  for (size_t at = 0; nFrame > 0 && at + nFrame <= bytes.size(); at += nFrame)
    probe.frames.emplace_back(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + nFrame));
  probe.bOpened = true;
  return probe;
}
