// `kestrelle-cli convert IN OUT`: load a picture and save it in the format named by OUT's
// extension. The result is written beside OUT and renamed over it only once it is complete,
// so a failed conversion never damages an existing file.
#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "image/JpegGlue.h"
#include "image/Picture.h"
#include "tools/CliRegistry.h"

namespace {

// Formats that cannot hold every depth get a depth they can hold.
bool PrepareForFormat(CPicture& pic, int type) {
  const int bpp = pic.GetBpp();
  if (type == PICTURE_JPEG && bpp < 24 && !IsGreyScalePicture(pic)) return pic.IncreaseBpp24();
  if (type == PICTURE_TGA && bpp < 8) return pic.IncreaseBpp24();
  return true;
}

// A fresh file in OUT's folder, with the permissions a newly created file would get.
std::string MakeTempBeside(const std::string& out) {
  std::string pattern = out + ".XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = mkstemp(buf.data());
  if (fd < 0) return std::string();
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return buf.data();
}

int RunConvert(const std::string& in, const std::string& out) {
  const int outType = ImageTypeFromExtension(out);
  if (outType < PICTURE_BMP || outType > PICTURE_RAS) {
    std::cerr << "Encode: Unknown format" << '\n';
    return 2;
  }
  CPicture pic;
  if (!pic.Load(in, ImageTypeFromExtension(in)) || !pic.IsValid()) {
    const std::string& err = pic.GetLastError();
    std::cerr << (err.empty() ? "cannot load " + in : err) << '\n';
    return 1;
  }
  if (!PrepareForFormat(pic, outType)) {
    std::cerr << pic.GetLastError() << '\n';
    return 2;
  }
  const std::string temp = MakeTempBeside(out);
  if (temp.empty()) {
    std::cerr << "cannot write " << out << ": " << std::strerror(errno) << '\n';
    return 3;
  }
  if (!pic.Save(temp, outType)) {
    std::cerr << pic.GetLastError() << '\n';
    std::remove(temp.c_str());
    return 3;
  }
  if (std::rename(temp.c_str(), out.c_str()) != 0) {
    std::cerr << "cannot write " << out << ": " << std::strerror(errno) << '\n';
    std::remove(temp.c_str());
    return 3;
  }
  return 0;
}

const CliCommandRegistrar kConvertCommand([](CLI::App& app) {
  CLI::App* cmd =
      app.add_subcommand("convert", "Convert a picture to the format named by the output's extension");
  auto in = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  cmd->add_option("IN", *in, "picture to read")->required();
  cmd->add_option("OUT", *out, "picture to write (bmp, gif, jpg, png, tif, tga, pcx)")->required();
  cmd->callback([in, out] { CliExitCode() = RunConvert(*in, *out); });
});

}  // namespace
