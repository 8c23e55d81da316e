// `kestrelle-cli convert IN OUT`: load a picture and save it in the format named by OUT's
// extension. A failed conversion never damages an existing file (see CPicture::Save).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

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

int RunConvert(const std::string& in, const std::string& out) {
  const int outType = ImageTypeFromExtension(out);
  if (!IsPictureType(outType)) {
    std::cerr << "Encode: Unknown format" << '\n';
    return 2;
  }
  CPicture pic;
  if (!pic.Load(in, ImageTypeFromExtension(in)) || !pic.IsValid()) {
    const std::string& err = pic.GetLastError();
    std::cerr << in << ": " << (err.empty() ? std::string("cannot load the picture") : err) << '\n';
    return 1;
  }
  if (!PrepareForFormat(pic, outType)) {
    std::cerr << pic.GetLastError() << '\n';
    return 2;
  }
  // Save writes beside OUT and renames over it only once the picture is complete, so
  // even IN == OUT is safe: the picture is read whole first.
  if (!pic.Save(out, outType)) {
    std::cerr << out << ": " << pic.GetLastError() << '\n';
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
